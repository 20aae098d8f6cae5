#pragma once

#include <QString>

// Where the map page takes its tiles from: a URL template in the map
// library's form (https://host/{z}/{x}/{y}.png) and the attribution the page
// shows for them. Both come from the user's settings, so both are checked
// here before the page sees them.
class CTileSource {
public:
    // OpenStreetMap's standard tile server.
    static CTileSource Default();

    // The source for a URL template and an attribution text. A template that
    // is not usable (see IsUsableUrlTemplate) gives the default source, and
    // *accepted (when given) tells which happened.
    static CTileSource Make(const QString& urlTemplate, const QString& attribution,
                            bool* accepted = nullptr);

    // An http or https address of at most kMaxUrlLength characters with a host
    // and the placeholders {z}, {x} and {y} (or {-y}); {s} and {r} are allowed
    // too, no other placeholder is.
    static bool IsUsableUrlTemplate(const QString& urlTemplate);

    // The attribution as HTML that is safe to insert into the page. Text is
    // shown as written, character references such as &copy; included; the one
    // markup kept is a link, <a href="http(s)://...">text</a>, whose text is
    // plain. Every other tag shows as text. Longer texts are cut to
    // kMaxAttributionLength characters.
    static QString AttributionHtml(const QString& attribution);

    const QString& UrlTemplate() const { return m_urlTemplate; }
    const QString& Attribution() const { return m_attributionHtml; }

    static constexpr int kMaxUrlLength = 2048;
    static constexpr int kMaxAttributionLength = 2048;

private:
    CTileSource(QString urlTemplate, QString attributionHtml);

    QString m_urlTemplate;
    QString m_attributionHtml;
};
