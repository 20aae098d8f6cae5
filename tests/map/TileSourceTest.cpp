// CTileSource: which tile URL templates the map takes, and the attribution as safe HTML.
#include <gtest/gtest.h>

#include <QString>

#include "TileSource.h"

namespace {

const char kOsmUrl[] = "https://tile.openstreetmap.org/{z}/{x}/{y}.png";
const char kOsmAttribution[] =
    "Map data &copy; <a href=\"https://www.openstreetmap.org/copyright\">OpenStreetMap</a> "
    "contributors";

TEST(TileSource, DefaultIsOpenStreetMapWithItsLinkedAttribution) {
    const CTileSource source = CTileSource::Default();
    EXPECT_EQ(source.UrlTemplate(), kOsmUrl);
    EXPECT_EQ(source.Attribution(), kOsmAttribution);
}

TEST(TileSource, UrlTemplates) {
    struct Case {
        QString url;
        bool usable;
    };
    const Case cases[] = {
        {kOsmUrl, true},
        {"http://127.0.0.1:8080/{z}/{x}/{y}.png", true},
        {"https://{s}.tile.example.org/{z}/{x}/{y}{r}.png", true},
        {"https://tiles.example/{z}/{x}/{-y}.jpg", true},
        {"https://tiles.example/tile?z={z}&x={x}&y={y}&key=abc", true},
        {"HTTPS://TILES.EXAMPLE/{z}/{x}/{y}.png", true},
        {"", false},
        {"ftp://tiles.example/{z}/{x}/{y}.png", false},
        {"file:///tmp/{z}/{x}/{y}.png", false},
        {"qrc:/html/{z}/{x}/{y}.png", false},
        {"javascript:alert(1)//{z}/{x}/{y}", false},
        {"/tiles/{z}/{x}/{y}.png", false},
        {"https:///{z}/{x}/{y}.png", false},
        {"https://tiles.example/{z}/{x}.png", false},
        {"https://tiles.example/{x}/{y}.png", false},
        {"https://tiles.example/{z}/{y}.png", false},
        {"https://tiles.example/{z}/{x}/{y}/{apikey}.png", false},
        {"https://tiles.example/{z}/{x}/{y.png", false},
        {"https://tiles.example/{z}/{x}/y}.png", false},
        {"https://tiles.example/{z}/{x}/{{y}}.png", false},
        {"https://tiles example/{z}/{x}/{y}.png", false},
        {"https://tiles.example/{z}/{x}/{y}.png\n", false},
        {"https://tiles.example/" + QString(2100, 'a') + "/{z}/{x}/{y}.png", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CTileSource::IsUsableUrlTemplate(c.url), c.usable) << c.url.toStdString();
    }
}

TEST(TileSource, UnusableTemplateFallsBackToTheDefaults) {
    bool accepted = true;
    const CTileSource bad =
        CTileSource::Make("ftp://tiles.example/{z}/{x}/{y}.png",
                          "Tiles by <a href=\"https://t.example/\">T</a>", &accepted);
    EXPECT_FALSE(accepted);
    EXPECT_EQ(bad.UrlTemplate(), kOsmUrl);
    EXPECT_EQ(bad.Attribution(), kOsmAttribution);

    const CTileSource good =
        CTileSource::Make("https://{s}.t.example/{z}/{x}/{y}.png", "Tiles &copy; T", &accepted);
    EXPECT_TRUE(accepted);
    EXPECT_EQ(good.UrlTemplate(), "https://{s}.t.example/{z}/{x}/{y}.png");
    EXPECT_EQ(good.Attribution(), "Tiles &copy; T");
}

TEST(TileSource, AttributionKeepsTextAndWebLinksOnly) {
    struct Case {
        QString text;
        QString html;
    };
    const Case cases[] = {
        {QStringLiteral("\u00a9 OpenStreetMap contributors"),
         QStringLiteral("\u00a9 OpenStreetMap contributors")},
        {kOsmAttribution, kOsmAttribution},
        {"<a href='https://a.example/x?y=1&amp;z=2'>A &amp; B</a>",
         "<a href=\"https://a.example/x?y=1&amp;z=2\">A &amp; B</a>"},
        {"<A HREF = \"http://a.example/\" >x</a >", "<a href=\"http://a.example/\">x</a>"},
        {"Tom & Jerry's \"tiles\" > 2", "Tom &amp; Jerry&#39;s &quot;tiles&quot; &gt; 2"},
        {"&#169; &#xA9; &bogus &;", "&#169; &#xA9; &amp;bogus &amp;;"},
        {"<b>bold</b>", "&lt;b&gt;bold&lt;/b&gt;"},
        {"<img src=x onerror=alert(1)>", "&lt;img src=x onerror=alert(1)&gt;"},
        {"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
        {"<a href=\"javascript:alert(1)\">x</a>",
         "&lt;a href=&quot;javascript:alert(1)&quot;&gt;x&lt;/a&gt;"},
        {"<a href=\"https://a.example/\" onclick=\"alert(1)\">x</a>",
         "&lt;a href=&quot;https://a.example/&quot; onclick=&quot;alert(1)&quot;&gt;x&lt;/a&gt;"},
        {"<a href=\"https://a.example/\"><b>x</b></a>",
         "&lt;a href=&quot;https://a.example/&quot;&gt;&lt;b&gt;x&lt;/b&gt;&lt;/a&gt;"},
        {"<a href='https://a.example/\"onmouseover=\"alert(1)'>x</a>",
         "&lt;a href=&#39;https://a.example/&quot;onmouseover=&quot;alert(1)&#39;&gt;x&lt;/a&gt;"},
        {"<a href=\"https://a.example/\">x</a",
         "&lt;a href=&quot;https://a.example/&quot;&gt;x&lt;/a"},
        {"a\x01"
         "b\nc",
         "a b c"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CTileSource::AttributionHtml(c.text), c.html) << c.text.toStdString();
    }
    EXPECT_EQ(CTileSource::AttributionHtml(QString(5000, 'x')).size(),
              CTileSource::kMaxAttributionLength);
}

}  // namespace
