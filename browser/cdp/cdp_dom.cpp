#include "browser/cdp/cdp_dom.h"

#include <limits>

#include "browser/element_identity.h"

namespace qm::cdp {

namespace {

bool AsInt(const Json& value, int& out) {
    if (!value.is_number_integer()) {
        return false;
    }
    const auto v = value.get<std::int64_t>();
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) {
        return false;
    }
    out = static_cast<int>(v);
    return true;
}

bool AsText(const Json& value, std::string& out) {
    if (!value.is_string()) {
        return false;
    }
    out = value.get<std::string>();
    return true;
}

}  // namespace

// --- element ---

CdpElement::CdpElement(std::shared_ptr<CdpPage> page, int context, int id)
    : page_(std::move(page)), context_(context), id_(id) {}

std::uintptr_t CdpElement::Identity() const {
    // Page ordinal, world and element id: unique among the elements we hand out.
    const auto ordinal = static_cast<std::uint64_t>(page_->Ordinal() & 0xFFFFu);
    const auto context = static_cast<std::uint64_t>(static_cast<std::uint32_t>(context_) & 0xFFFFu);
    const auto id = static_cast<std::uint64_t>(static_cast<std::uint32_t>(id_));
    return static_cast<std::uintptr_t>((ordinal << 48) | (context << 32) | id);
}

bool CdpElement::Text(const char* op, std::string& out) {
    Json value;
    return page_->RunIn(context_, op, Json::array({id_}), value) && AsText(value, out);
}

bool CdpElement::Number(const char* op, int& out) {
    Json value;
    return page_->RunIn(context_, op, Json::array({id_}), value) && AsInt(value, out);
}

bool CdpElement::Write(const char* op, const std::string& text) {
    Json value;
    return page_->RunIn(context_, op, Json::array({id_, text}), value);
}

bool CdpElement::TagName(std::string& out) {
    return Text("tag", out);
}
bool CdpElement::SourceIndex(int& out) {
    return Number("index", out);
}
bool CdpElement::OuterHtml(std::string& out) {
    return Text("outer", out);
}
bool CdpElement::InnerHtml(std::string& out) {
    return Text("inner", out);
}
bool CdpElement::OffsetWidth(int& out) {
    return Number("width", out);
}
bool CdpElement::OffsetHeight(int& out) {
    return Number("height", out);
}
bool CdpElement::StyleDisplay(std::string& out) {
    return Text("display", out);
}
bool CdpElement::SetStyleDisplay(const std::string& display) {
    Json value;
    if (!page_->RunIn(context_, "setDisplay", Json::array({id_, display}), value)) {
        return false;
    }
    // Hiding an advert by hand watches its identity; showing it again lets go.
    if (value.is_array() && value.size() == 2 && value[0].is_string() && value[1].is_string() &&
        (display == "none" || display.empty())) {
        page_->WatchOne(value[1].get<std::string>(), value[0].get<std::string>(),
                        display == "none");
    }
    return true;
}
bool CdpElement::Src(std::string& out) {
    return Text("src", out);
}
bool CdpElement::CodeBase(std::string& out) {
    return Text("codeBase", out);
}

// --- collection ---

CdpCollection::CdpCollection(std::shared_ptr<CdpPage> page, int context, CollectionKind kind,
                             std::string tag)
    : page_(std::move(page)), context_(context), kind_(kind), tag_(std::move(tag)) {}

bool CdpCollection::Length(int& out) {
    Json value;
    return page_->RunIn(context_, "len", Json::array({static_cast<int>(kind_), tag_}), value) &&
           AsInt(value, out);
}

ElementPtr CdpCollection::Item(int index) {
    Json value;
    int id = 0;
    if (index < 0 ||
        !page_->RunIn(context_, "item", Json::array({static_cast<int>(kind_), tag_, index}),
                      value) ||
        !AsInt(value, id)) {
        return nullptr;
    }
    return std::make_shared<CdpElement>(page_, context_, id);
}

// --- document ---

CdpDocument::CdpDocument(std::shared_ptr<CdpPage> page) : page_(std::move(page)) {}

bool CdpDocument::KnownUrl(std::string& out) {
    // The address the main frame's events gave (the same as document.URL).
    return !page_->Gone() && page_->Address(out);
}

bool CdpDocument::Url(std::string& out) {
    // No event handler waits for the page to read the address: it is asked
    // only while no event has given one.
    if (KnownUrl(out)) {
        return true;
    }
    Json value;
    return page_->Run("url", Json::array(), value) && AsText(value, out);
}

bool CdpDocument::Title(std::string& out) {
    Json value;
    return page_->Run("title", Json::array(), value) && AsText(value, out);
}

ElementPtr CdpDocument::ElementFrom(const char* op, Json args) {
    Json value;
    int context = 0;
    int id = 0;
    if (!page_->Run(op, std::move(args), value, &context) || !AsInt(value, id)) {
        return nullptr;
    }
    return std::make_shared<CdpElement>(page_, context, id);
}

ElementPtr CdpDocument::Body() {
    return ElementFrom("body", Json::array());
}

ElementPtr CdpDocument::ElementFromPoint(int x, int y) {
    return ElementFrom("at", Json::array({x, y}));
}

CollectionPtr CdpDocument::Collection(CollectionKind kind, const std::string& tag) {
    const int context = page_->CurrentContext();
    if (context == 0) {
        return nullptr;
    }
    return std::make_shared<CdpCollection>(page_, context, kind, tag);
}

CollectionPtr CdpDocument::All() {
    return Collection(CollectionKind::kAll, std::string());
}
CollectionPtr CdpDocument::Tags(const std::string& tag) {
    return Collection(CollectionKind::kTag, tag);
}

bool CdpDocument::ScanTag(const std::string& tag, std::vector<TaggedElement>& out) {
    out.clear();
    Json rows;
    if (!page_->Run("scan", Json::array({tag}), rows) || !rows.is_array()) {
        return false;
    }
    out.reserve(rows.size());
    for (const Json& row : rows) {
        TaggedElement entry;
        int index = -1;
        std::string rowTag, src, inner, codeBase;
        if (row.is_array() && row.size() == 5 && AsInt(row[0], index) && AsText(row[1], rowTag) &&
            AsText(row[2], src) && AsText(row[3], inner) && AsText(row[4], codeBase)) {
            entry.identity = ElementIdentityFromParts(rowTag, src, inner, codeBase);
            entry.sourceIndex = index;
            entry.ok = index >= 0;
        }
        out.push_back(std::move(entry));
    }
    return true;
}

bool CdpDocument::CheckAndHide(const std::vector<LocatedCheck>& checks,
                               std::vector<CheckOutcome>& out) {
    out.assign(checks.size(), CheckOutcome::kNotObtained);
    Json list = Json::array();
    for (const LocatedCheck& check : checks) {
        list.push_back(Json::array({check.index, check.identity}));
    }
    Json answer;
    if (!page_->Run("check", Json::array({std::move(list)}), answer) || !answer.is_array() ||
        answer.size() != 2 || !answer[0].is_array() || answer[0].size() != checks.size() ||
        !answer[1].is_string()) {
        return false;
    }
    const Json& outcomes = answer[0];
    std::vector<std::string> located;
    located.reserve(checks.size());
    for (const LocatedCheck& check : checks) {
        located.push_back(check.identity);
    }
    page_->Watch(answer[1].get<std::string>(), std::move(located));
    for (std::size_t i = 0; i < checks.size(); ++i) {
        int code = 0;
        AsInt(outcomes[i], code);
        out[i] = code == 2   ? CheckOutcome::kHidden
                 : code == 1 ? CheckOutcome::kMismatch
                             : CheckOutcome::kNotObtained;
    }
    return true;
}

void CdpDocument::ShowLocated(int index, const std::string& type, const std::string& identity) {
    // Sent without waiting: the page checks the element and shows it again,
    // and neither it nor its later documents watch the identity any more.
    page_->Unwatch(identity);
    page_->Send("unhide", Json::array({index, type, identity}), [](bool, Json, int) {});
}

bool CdpDocument::IdentityPartsOfAll(std::vector<IdentityParts>& out) {
    out.clear();
    Json rows;
    if (!page_->Run("idents", Json::array(), rows) || !rows.is_array()) {
        return false;
    }
    for (const Json& row : rows) {
        IdentityParts parts;
        if (!row.is_array() || row.size() != 5 || !AsText(row[0], parts.tag) ||
            !AsText(row[1], parts.pageIdentity) || !AsText(row[2], parts.src) ||
            !AsText(row[3], parts.innerHtml) || !AsText(row[4], parts.codeBase)) {
            return false;
        }
        out.push_back(std::move(parts));
    }
    return true;
}

}  // namespace qm::cdp
