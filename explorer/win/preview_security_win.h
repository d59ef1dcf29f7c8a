// The preview's security manager, which the container hands to the engine
// when it asks its site for one: a second wall behind the download control.
// Whatever zone the page lands in, the engine is told no to every script,
// ActiveX, Java and behaviour action, to downloads of code and fonts, to
// forms, frames that navigate, meta refresh, shell actions and the use of the
// user's credentials. Every other action keeps the engine's own policy.
#pragma once

#include <windows.h>
#include <urlmon.h>

namespace qm::win {

// True for the URL actions the preview refuses.
bool PreviewRefusesUrlAction(DWORD action);

class CPreviewSecurity final : public IInternetSecurityManager {
public:
    // A new manager; one reference for the caller.
    static CPreviewSecurity* Create() { return new CPreviewSecurity(); }
    CPreviewSecurity(const CPreviewSecurity&) = delete;
    CPreviewSecurity& operator=(const CPreviewSecurity&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE SetSecuritySite(IInternetSecurityMgrSite* site) override;
    HRESULT STDMETHODCALLTYPE GetSecuritySite(IInternetSecurityMgrSite** site) override;
    HRESULT STDMETHODCALLTYPE MapUrlToZone(LPCWSTR url, DWORD* zone, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetSecurityId(LPCWSTR url, BYTE* id, DWORD* size,
                                            DWORD_PTR reserved) override;
    // S_FALSE with URLPOLICY_DISALLOW for a refused action, the engine's
    // default (INET_E_DEFAULT_ACTION) for the others.
    HRESULT STDMETHODCALLTYPE ProcessUrlAction(LPCWSTR url, DWORD action, BYTE* policy,
                                               DWORD policySize, BYTE* context,
                                               DWORD contextSize, DWORD flags,
                                               DWORD reserved) override;
    HRESULT STDMETHODCALLTYPE QueryCustomPolicy(LPCWSTR url, REFGUID key, BYTE** policy,
                                                DWORD* policySize, BYTE* context,
                                                DWORD contextSize, DWORD reserved) override;
    HRESULT STDMETHODCALLTYPE SetZoneMapping(DWORD zone, LPCWSTR pattern, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetZoneMappings(DWORD zone, IEnumString** patterns,
                                              DWORD flags) override;

private:
    CPreviewSecurity() = default;
    ~CPreviewSecurity() = default;

    LONG refs_ = 1;
};

}  // namespace qm::win
