// A page document over MSHTML's IHTMLDocument2. Windows only.
#pragma once

#include <windows.h>
#include <mshtml.h>

#include "browser/browser_port.h"
#include "browser/ie/com_ref.h"

namespace qm::ie {

class IeDocument final : public Document {
public:
    explicit IeDocument(ComRef<IHTMLDocument2> document);

    bool Url(std::string& out) override;
    bool Title(std::string& out) override;
    ElementPtr Body() override;
    CollectionPtr All() override;
    CollectionPtr Tags(const std::string& tag) override;
    CollectionPtr Images();
    ElementPtr ElementFromPoint(int x, int y) override;

private:
    ComRef<IHTMLElementCollection> AllCollection() const;

    ComRef<IHTMLDocument2> document_;
};

// Null for a null interface; the IDispatch form asks for IHTMLDocument2 (a
// shell window showing a folder has no HTML document).
DocumentPtr MakeDocument(ComRef<IHTMLDocument2> document);
DocumentPtr MakeDocument(ComRef<IDispatch> dispatch);

}  // namespace qm::ie
