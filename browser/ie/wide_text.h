// Wide strings, BSTRs and VARIANTs of the browser interfaces, and their
// conversion to and from the program's UTF-8 texts. Windows only.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <string>

namespace qm::ie {

// Converts count UTF-16 units (embedded NULs included) to UTF-8, whatever
// the system's code page; an unpaired surrogate becomes U+FFFD. An empty input
// gives an empty text; false for a null pointer with a count.
bool WideToText(const wchar_t* wide, std::size_t count, std::string& out);

// A BSTR as UTF-8 text; a null BSTR is the empty text.
bool BstrToText(BSTR bstr, std::string& out);

// A newly allocated BSTR holding the UTF-16 form of a UTF-8 text (ill-formed
// bytes become U+FFFD); null when allocation fails. An empty text gives an
// allocated empty BSTR.
BSTR TextToBstr(const std::string& text);

// Owns one BSTR and frees it.
class ScopedBstr {
public:
    ScopedBstr() = default;
    explicit ScopedBstr(BSTR owned) : bstr_(owned) {}
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    ~ScopedBstr() { Reset(); }

    void Reset() {
        if (bstr_) {
            SysFreeString(bstr_);
            bstr_ = nullptr;
        }
    }
    // For out-parameters: frees what is held and hands out the slot.
    BSTR* Put() {
        Reset();
        return &bstr_;
    }
    BSTR Get() const { return bstr_; }

private:
    BSTR bstr_ = nullptr;
};

// Owns one VARIANT and clears it.
class ScopedVariant {
public:
    ScopedVariant() { VariantInit(&value_); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    ~ScopedVariant() { VariantClear(&value_); }

    // A 4-byte integer.
    void SetInt(LONG value) {
        VariantClear(&value_);
        value_.vt = VT_I4;
        value_.lVal = value;
    }
    // A string; false when the text cannot be converted or allocated.
    bool SetText(const std::string& text) {
        VariantClear(&value_);
        BSTR bstr = TextToBstr(text);
        if (!bstr) {
            return false;
        }
        value_.vt = VT_BSTR;
        value_.bstrVal = bstr;
        return true;
    }

    VARIANT& Get() { return value_; }

private:
    VARIANT value_;
};

// Runs a getter that hands out a BSTR, converts the result and always frees
// the BSTR. False when the call or the conversion fails.
template <class Getter>
bool ReadText(Getter&& getter, std::string& out) {
    ScopedBstr bstr;
    if (FAILED(getter(bstr.Put()))) {
        return false;
    }
    return BstrToText(bstr.Get(), out);
}

// Runs a setter with a BSTR made from text and frees it afterwards.
template <class Setter>
bool WriteText(Setter&& setter, const std::string& text) {
    ScopedBstr bstr(TextToBstr(text));
    if (!bstr.Get()) {
        return false;
    }
    return SUCCEEDED(setter(bstr.Get()));
}

}  // namespace qm::ie
