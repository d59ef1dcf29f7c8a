#include "explorer/win/preview_security_win.h"

namespace qm::win {

namespace {

// Binary behaviours and .NET user controls (URLACTION_BEHAVIOR_MIN and up),
// spelt out: the header names them only for newer Internet Explorer targets.
constexpr DWORD kBehaviorFirst = 0x2000;
constexpr DWORD kBehaviorLast = 0x20FF;

struct ActionRange {
    DWORD first;
    DWORD last;
};

constexpr ActionRange kRefused[] = {
    {URLACTION_DOWNLOAD_MIN, URLACTION_DOWNLOAD_MAX},  // signed and unsigned controls
    {URLACTION_ACTIVEX_MIN, URLACTION_ACTIVEX_MAX},
    {URLACTION_SCRIPT_MIN, URLACTION_SCRIPT_MAX},
    {URLACTION_HTML_SUBMIT_FORMS, URLACTION_HTML_META_REFRESH},  // forms to meta refresh
    {URLACTION_SHELL_MIN, URLACTION_SHELL_MAX},
    {URLACTION_CREDENTIALS_USE, URLACTION_CREDENTIALS_USE},
    {URLACTION_JAVA_MIN, URLACTION_JAVA_MAX},
    {kBehaviorFirst, kBehaviorLast},
};

}  // namespace

bool PreviewRefusesUrlAction(DWORD action) {
    for (const ActionRange& range : kRefused) {
        if (action >= range.first && action <= range.last) {
            return true;
        }
    }
    return false;
}

HRESULT CPreviewSecurity::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (riid == IID_IUnknown || riid == IID_IInternetSecurityManager) {
        *object = static_cast<IInternetSecurityManager*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CPreviewSecurity::AddRef() {
    return static_cast<ULONG>(::InterlockedIncrement(&refs_));
}

ULONG CPreviewSecurity::Release() {
    const LONG left = ::InterlockedDecrement(&refs_);
    if (left == 0) {
        delete this;
    }
    return static_cast<ULONG>(left);
}

HRESULT CPreviewSecurity::SetSecuritySite(IInternetSecurityMgrSite*) {
    return INET_E_DEFAULT_ACTION;
}

HRESULT CPreviewSecurity::GetSecuritySite(IInternetSecurityMgrSite** site) {
    if (site != nullptr) {
        *site = nullptr;
    }
    return INET_E_DEFAULT_ACTION;
}

HRESULT CPreviewSecurity::MapUrlToZone(LPCWSTR, DWORD*, DWORD) {
    return INET_E_DEFAULT_ACTION;
}

HRESULT CPreviewSecurity::GetSecurityId(LPCWSTR, BYTE*, DWORD*, DWORD_PTR) {
    return INET_E_DEFAULT_ACTION;
}

HRESULT CPreviewSecurity::ProcessUrlAction(LPCWSTR, DWORD action, BYTE* policy,
                                           DWORD policySize, BYTE*, DWORD, DWORD, DWORD) {
    if (!PreviewRefusesUrlAction(action)) {
        return INET_E_DEFAULT_ACTION;
    }
    if (policy != nullptr && policySize >= sizeof(DWORD)) {
        const DWORD disallow = URLPOLICY_DISALLOW;
        ::CopyMemory(policy, &disallow, sizeof(DWORD));
    }
    return S_FALSE;
}

HRESULT CPreviewSecurity::QueryCustomPolicy(LPCWSTR, REFGUID, BYTE** policy, DWORD* policySize,
                                            BYTE*, DWORD, DWORD) {
    if (policy != nullptr) {
        *policy = nullptr;
    }
    if (policySize != nullptr) {
        *policySize = 0;
    }
    return INET_E_DEFAULT_ACTION;
}

HRESULT CPreviewSecurity::SetZoneMapping(DWORD, LPCWSTR, DWORD) {
    return INET_E_DEFAULT_ACTION;
}

HRESULT CPreviewSecurity::GetZoneMappings(DWORD, IEnumString** patterns, DWORD) {
    if (patterns != nullptr) {
        *patterns = nullptr;
    }
    return INET_E_DEFAULT_ACTION;
}

}  // namespace qm::win
