#pragma once
#include "engine/css/StyleSheet.h"
#include "engine/dom/Document.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Engine {

class StyleResolver;

// The styles of one document: its style sheets (its own style elements and those added), the
// media type and DPI they apply at, and the cascade, run again for what the document's changes
// reach. A new page loaded into the document brings its own sheets.
class DocumentStyle {
public:
    explicit DocumentStyle(Document& document);
    ~DocumentStyle();
    DocumentStyle(const DocumentStyle&) = delete;
    DocumentStyle& operator=(const DocumentStyle&) = delete;

    [[nodiscard]] Document& Page() { return m_document; }
    [[nodiscard]] const std::vector<std::unique_ptr<StyleSheet>>& StyleSheets();
    void AddStyleSheet(StyleSheet sheet);
    void SetMediaType(std::wstring media);
    [[nodiscard]] const std::wstring& MediaType() const { return m_media; }
    void SetDpi(int dpi);
    [[nodiscard]] int Dpi() const { return m_dpi; }

    // Runs the cascade when something changed since the last run, for the whole page or only
    // for the elements a change can reach, then asks the document's client for the behaviors
    // that styles newly name.
    void Update();
    // Elements styled since the document was made: the work changes cost, counted.
    [[nodiscard]] std::uint64_t ElementsStyled() const { return m_styled; }

private:
    // A page loaded since the sheets were collected brings its own.
    void FollowLoads();
    void Restyle(const std::vector<Element*>& tops);
    void NoteBehaviors(Element& element);
    void RequestBehaviors();

    Document& m_document;
    unsigned m_loadsSeen = 0;
    std::vector<std::unique_ptr<StyleSheet>> m_sheets;
    std::wstring m_media = L"screen";
    int m_dpi = 96;
    bool m_settingsChanged = true;  // sheets, media or DPI: the whole page again
    std::unique_ptr<StyleResolver> m_resolver;
    struct BehaviorRequest {
        Element* Target;  // held
        std::string Name;
    };
    std::vector<BehaviorRequest> m_behaviorRequests;
    std::uint64_t m_styled = 0;
};

} // namespace Engine
