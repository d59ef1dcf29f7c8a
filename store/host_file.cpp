#include "store/host_file.h"

#include <cstdint>
#include <fstream>
#include <system_error>

#include "store/filter_store.h"
#include "store/text_escape.h"

namespace qm {

namespace {

// Splits bytes into lines at LF; a last line without LF counts when it is
// not empty. The LF is not part of a line; a CR before it is.
class LineReader {
public:
    explicit LineReader(const std::string& bytes) : bytes_(bytes) {}
    bool Next(std::string_view& line) {
        if (pos_ >= bytes_.size()) {
            return false;
        }
        std::size_t end = bytes_.find('\n', pos_);
        if (end == std::string::npos) {
            end = bytes_.size();
        }
        line = std::string_view(bytes_).substr(pos_, end - pos_);
        pos_ = end + 1;
        return true;
    }

private:
    const std::string& bytes_;
    std::size_t pos_ = 0;
};

bool IsScanSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads the fields of a record line the way "%d %s %s %u %u %d %d %d" does:
// numbers skip leading white space and take an optional sign and at least
// one digit; words skip white space and take at least one character.
class FieldScanner {
public:
    explicit FieldScanner(std::string_view line) : line_(line) {}
    bool Number(std::uint32_t& value) {
        SkipSpace();
        bool negative = false;
        if (pos_ < line_.size() && (line_[pos_] == '+' || line_[pos_] == '-')) {
            negative = line_[pos_] == '-';
            ++pos_;
        }
        const std::size_t digits = pos_;
        std::uint32_t v = 0;
        while (pos_ < line_.size() && line_[pos_] >= '0' && line_[pos_] <= '9') {
            v = v * 10u + static_cast<std::uint32_t>(line_[pos_] - '0');
            ++pos_;
        }
        if (pos_ == digits) {
            return false;
        }
        value = negative ? 0u - v : v;
        return true;
    }
    bool Word(std::string& word) {
        SkipSpace();
        const std::size_t start = pos_;
        while (pos_ < line_.size() && !IsScanSpace(line_[pos_])) {
            ++pos_;
        }
        if (pos_ == start) {
            return false;
        }
        word.assign(line_.substr(start, pos_ - start));
        return true;
    }

private:
    void SkipSpace() {
        while (pos_ < line_.size() && IsScanSpace(line_[pos_])) {
            ++pos_;
        }
    }
    std::string_view line_;
    std::size_t pos_ = 0;
};

bool ParseRecordLine(std::string_view line, FilterRecord& r) {
    FieldScanner scan(line);
    std::uint32_t location = 0, deleted = 0, lastHit = 0, hint = 0, status = 0, scope = 0;
    if (!scan.Number(location) || !scan.Word(r.sName) || !scan.Word(r.sType) ||
        !scan.Number(deleted) || !scan.Number(lastHit) || !scan.Number(hint) ||
        !scan.Number(status) || !scan.Number(scope)) {
        return false;
    }
    r.nLocation = static_cast<std::int16_t>(location & 0xFFFFu);
    r.tDeleted = deleted;
    r.tLastHit = lastHit;
    r.nHint = static_cast<std::int16_t>(hint & 0xFFFFu);
    r.nStatus = static_cast<std::int8_t>(status & 0xFFu);
    r.nScope = static_cast<std::int8_t>(scope & 0xFFu);
    return true;
}

void AppendNumber(std::string& out, long long value) {
    out += std::to_string(value);
}

}  // namespace

bool ParseHostFile(const std::string& bytes, HostFileTables& tables) {
    // The tables' strings are reused, so that loading one host file after
    // another allocates little.
    auto& locations = tables.locations;
    auto& records = tables.records;
    std::size_t locationCount = 0;
    std::size_t recordCount = 0;
    auto finish = [&](bool ok) {
        locations.resize(locationCount);
        records.resize(recordCount);
        return ok;
    };
    LineReader reader(bytes);
    std::string_view line;
    bool more = false;
    // Section 1: locations.
    while ((more = reader.Next(line)) && !(line.size() > 0 && line[0] == '-')) {
        if (locationCount >= static_cast<std::size_t>(kMaxLocations)) {
            return finish(false);
        }
        if (locationCount == locations.size()) {
            locations.emplace_back();
        }
        std::string& location = locations[locationCount++];
        location.clear();
        for (char c : line) {
            if (c != '\r' && c != '\n') {
                location += c;
            }
        }
        // Written back, such a location would end the section early and
        // shift every record; the store never writes one.
        if (!location.empty() && location[0] == '-') {
            return finish(false);
        }
    }
    // Section 2: records.
    FilterRecord parsed;
    while (more && (more = reader.Next(line)) && !(line.size() > 0 && line[0] == '-')) {
        if (!ParseRecordLine(line, parsed)) {
            locationCount = 0;
            recordCount = 0;
            return finish(false);
        }
        if (recordCount >= static_cast<std::size_t>(kMaxRecords)) {
            return finish(false);
        }
        if (parsed.nLocation < 0 || static_cast<std::size_t>(parsed.nLocation) >= locationCount) {
            return finish(false);
        }
        if (recordCount == records.size()) {
            records.emplace_back();
        }
        FilterRecord& r = records[recordCount];
        r.nLocation = parsed.nLocation;
        r.nId = static_cast<std::int16_t>(recordCount);
        r.sName.swap(parsed.sName);
        r.sType.swap(parsed.sType);
        r.nHint = parsed.nHint;
        r.nStatus = parsed.nStatus;
        r.nScope = parsed.nScope;
        r.tDeleted = parsed.tDeleted;
        r.tLastHit = parsed.tLastHit;
        ++recordCount;
    }
    // Section 3: texts, one line per record.
    std::size_t index = 0;
    while (more && index < recordCount && reader.Next(line)) {
        UnescapeTextInto(line, records[index].sHtml);
        ++index;
    }
    for (; index < recordCount; ++index) {
        records[index].sHtml.clear();
    }
    return finish(true);
}

std::string SerializeHostFile(const HostFileTables& tables) {
    std::size_t size = 16;
    for (const auto& l : tables.locations) {
        size += l.size() + 2;
    }
    for (const auto& r : tables.records) {
        size += r.sName.size() + r.sType.size() + r.sHtml.size() + r.sHtml.size() / 16 + 64;
    }
    std::string out;
    out.reserve(size);
    for (const auto& l : tables.locations) {
        out += l;
        out += "\r\n";
    }
    out += "-\r\n";
    for (const auto& r : tables.records) {
        AppendNumber(out, r.nLocation);
        out += ' ';
        out += r.sName;
        out += ' ';
        out += r.sType;
        out += ' ';
        AppendNumber(out, r.tDeleted);
        out += ' ';
        AppendNumber(out, r.tLastHit);
        out += ' ';
        AppendNumber(out, r.nHint);
        out += ' ';
        AppendNumber(out, r.nStatus);
        out += ' ';
        AppendNumber(out, r.nScope);
        out += "\r\n";
    }
    out += "-\r\n";
    for (const auto& r : tables.records) {
        EscapeTextInto(r.sHtml, out);
        out += "\r\n";
    }
    return out;
}

bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) {
        return false;
    }
    in.seekg(0, std::ios::beg);
    bytes.resize(static_cast<std::size_t>(size));
    if (size > 0 && !in.read(bytes.data(), size)) {
        return false;
    }
    return true;
}

}  // namespace qm
