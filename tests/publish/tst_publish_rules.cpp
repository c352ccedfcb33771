// SPDX-License-Identifier: GPL-3.0-or-later
// The addresses and tags the FTP window's lower panel builds, and the server profiles it keeps.
#include "publish/link_address.h"
#include "publish/link_block.h"
#include "publish/link_set_check.h"
#include "publish/server_profile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace lumaport;
using namespace Qt::StringLiterals;

class TstPublishRules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void taggedAddresses()
    {
        struct Case
        {
            QString keyword, linkText;
            QStringList tagsBefore; // empty: the pair the keyword gives
            QString urlName, fileName, text, openingAfter;
        };
        const QString site = u"ex.com/p/"_s;
        // clang-format off
        const Case cases[] = {
            {u"img"_s, {}, {}, site, u"p.jpg"_s, u"[img]http://ex.com/p/p.jpg[/img]"_s, u"[img]"_s},
            {u"url"_s, {}, {}, site, u"a.zip"_s, u"[url]http://ex.com/p/a.zip[/url]"_s, u"[url]"_s},
            {u"url"_s, u"My file"_s, {}, site, u"a.zip"_s, u"[url=http://ex.com/p/a.zip]My file[/url]"_s, u"[url="_s},
            {u"url"_s, {}, {u"[url="_s, u"[/url]"_s}, site, u"a.zip"_s, u"[url]http://ex.com/p/a.zip[/url]"_s,
             u"[url]"_s},
            {u"img"_s, u"text"_s, {}, site, u"p.gif"_s, u"[img]http://ex.com/p/p.gif[/img]"_s, u"[img]"_s},
            {u"b"_s, {}, {}, site, u"x.jpg"_s, u"[b]http://ex.com/p/x.jpg[/b]"_s, u"[b]"_s},
            {u""_s, {}, {}, site, u"x.jpg"_s, u"[]http://ex.com/p/x.jpg[/]"_s, u"[]"_s},
            {u""_s, {}, {u"[img]"_s, u"[/img]"_s}, site, u"x.jpg"_s, u"[img]http://ex.com/p/x.jpg[/img]"_s, u"[img]"_s},
            {u"URL"_s, u"t"_s, {}, site, u"a.zip"_s, u"[URL]http://ex.com/p/a.zip[/URL]"_s, u"[URL]"_s},
            {u"img"_s, {}, {}, site, u"my photo.jpg"_s, u"[img]http://ex.com/p/my%20photo.jpg[/img]"_s, u"[img]"_s},
            {u"url"_s, u"Fotos"_s, {}, u"ex.com/mein ordner/"_s, u"Müller café.jpg"_s,
             u"[url=http://ex.com/mein%20ordner/M%C3%BCller%20caf%C3%A9.jpg]Fotos[/url]"_s, u"[url="_s},
            {u"img"_s, {}, {}, site, u"a\"<>\\^`{|}\tb"_s,
             u"[img]http://ex.com/p/a%22%3C%3E%5C%5E%60%7B%7C%7D%09b[/img]"_s, u"[img]"_s},
            {u"img"_s, {}, {}, site, u"50% &x=(1)+[2];~!$'*,@?#%20"_s,
             u"[img]http://ex.com/p/50%25%20&x=(1)+%5B2%5D;~!$'*,@%3F%23%2520[/img]"_s, u"[img]"_s},
            {u"url"_s, u"t"_s, {}, site, u"a]b.zip"_s, u"[url=http://ex.com/p/a%5Db.zip]t[/url]"_s, u"[url="_s},
            {u"img"_s, {}, {}, u"127.0.0.1:80/"_s, u"x.jpg"_s, u"[img]http://127.0.0.1:80/x.jpg[/img]"_s, u"[img]"_s},
            {u"img"_s, {}, {}, u""_s, u"x.jpg"_s, u"[img]http://x.jpg[/img]"_s, u"[img]"_s},
            {u"img"_s, {}, {}, site, u""_s, u"[img]http://ex.com/p/[/img]"_s, u"[img]"_s},
        };
        // clang-format on
        for (const Case& c : cases) {
            const TagPair tags =
                c.tagsBefore.isEmpty() ? tagPair(c.keyword) : TagPair{c.tagsBefore[0], c.tagsBefore[1]};
            const TaggedAddress built =
                taggedAddress({c.urlName, site, c.fileName, c.keyword, c.linkText, tags.opening, tags.closing});
            QCOMPARE(built.text, c.text);
            QCOMPARE(built.openingTag, c.openingAfter);
        }
        QCOMPARE(bareAddress(site, u"a b"_s), u"http://ex.com/p/a%20b"_s);
        for (const auto& [name, thumbnail] :
             {std::pair{u"a.b.png"_s, u"a.b_thumb.png"_s}, {u"noext"_s, u"noext_thumb"_s}, {u".x"_s, u".x_thumb"_s}})
            QCOMPARE(thumbnailName(name), thumbnail);
        for (const bool hasThumbnail : {true, false}) {
            const TaggedAddress built = taggedAddress(
                {site, site, u"my photo.jpg"_s, u"thumb"_s, {}, u"[thumb]"_s, u"[/thumb]"_s, hasThumbnail});
            QCOMPARE(built.text, hasThumbnail ? u"[url=http://ex.com/p/my%20photo.jpg][img]http://ex.com/p/"
                                                u"my%20photo_thumb.jpg[/img][/url]"_s
                                              : u"[img]http://ex.com/p/my%20photo.jpg[/img]"_s);
            QCOMPARE(built.openingTag, u"[thumb]"_s);
        }
    }

    // What the user typed keeps its own encoding and scheme; folder and file names are encoded as names.
    void markdownAndHtmlForms()
    {
        struct Case
        {
            LinkStyle style;
            QString fileName, typedAlt;
            bool thumbnail;
            QString text;
        };
        // clang-format off
        const Case cases[] = {
            {LinkStyle::Markdown, u"Café terrace.jpg"_s, {}, false,
             u"![Café terrace](http://ex.com/p/Caf%C3%A9%20terrace.jpg)"_s},
            {LinkStyle::Markdown, u"a.png"_s, {}, true,
             u"[![a](http://ex.com/p/a_thumb.png)](http://ex.com/p/a.png)"_s},
            {LinkStyle::Markdown, u"x (1).jpg"_s, u"  [my] pic\\ "_s, false,
             u"![\\[my\\] pic\\\\](http://ex.com/p/x%20%281%29.jpg)"_s},
            {LinkStyle::Markdown, u"notes.zip"_s, {}, false, u"[notes](http://ex.com/p/notes.zip)"_s},
            {LinkStyle::Html, u"a.jpg"_s, {}, false,
             u"<a href=\"http://ex.com/p/a.jpg\"><img src=\"http://ex.com/p/a.jpg\" alt=\"a\"></a>"_s},
            {LinkStyle::Html, u"a.jpg"_s, u"Tom & \"Jerry\" <3"_s, true,
             u"<a href=\"http://ex.com/p/a.jpg\"><img src=\"http://ex.com/p/a_thumb.jpg\" "
             u"alt=\"Tom &amp; &quot;Jerry&quot; &lt;3\"></a>"_s},
            {LinkStyle::Html, u".profile"_s, {}, false, u"<a href=\"http://ex.com/p/.profile\">.profile</a>"_s},
            // The tags stay as the keyword makes them.
            {LinkStyle::Tags, u"a.jpg"_s, u"ignored"_s, false, u"[img]http://ex.com/p/a.jpg[/img]"_s},
        };
        // clang-format on
        for (const Case& c : cases) {
            TagFields fields{u"ex.com/p/"_s, {}, c.fileName, u"img"_s, {}, u"[img]"_s, u"[/img]"_s, c.thumbnail, true};
            fields.style = c.style;
            fields.altText = c.typedAlt;
            QCOMPARE(taggedAddress(fields).text, c.text);
            QCOMPARE(linkStyleFromKey(linkStyleKey(c.style)), c.style);
        }
    }

    void bareAddresses_data()
    {
        QTest::addColumn<QString>("urlName");
        QTest::addColumn<QString>("typedBase");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("address");
        QTest::newRow("typed stays") << u"ex.com/my%20site/#a/"_s << u"ex.com/my%20site/"_s << u"b?.jpg"_s
                                     << u"http://ex.com/my%20site/%23a/b%3F.jpg"_s;
        QTest::newRow("https kept") << u"https://ex.com/p/"_s << u"https://ex.com/p/"_s << u"100%.jpg"_s
                                    << u"https://ex.com/p/100%25.jpg"_s;
        QTest::newRow("scheme in any case") << u"HTTP://ex.com/"_s << u""_s << u"a.jpg"_s << u"HTTP://ex.com/a.jpg"_s;
        QTest::newRow("host only") << u"https://ex.com"_s << u"https://ex.com"_s << u"/a b.jpg"_s
                                   << u"https://ex.com/a%20b.jpg"_s;
        QTest::newRow("name not behind the typed base")
            << u"other.com/[x]/"_s << u"ex.com/"_s << u"a.jpg"_s << u"http://other.com/[x]/a.jpg"_s;
    }

    void permanentAddressHasOneSlashBetween()
    {
        for (const auto& [typed, address] :
             {std::pair{u"ex.com"_s, u"ex.com/"_s}, {u"http://ex.com/p/"_s, u"http://ex.com/p/"_s}, {u""_s, u"/"_s}})
            QCOMPARE(permanentAddress(typed, u"/"_s), address);
    }

    void bareAddresses()
    {
        QFETCH(QString, urlName);
        QFETCH(QString, typedBase);
        QFETCH(QString, fileName);
        QFETCH(QString, address);
        QCOMPARE(bareAddress(urlName, fileName, typedBase), address);
    }

    // An address is only asked for, or kept, where its host is one the user typed as a web address.
    void typedHosts_data()
    {
        QTest::addColumn<QString>("urlName");
        QTest::addColumn<QString>("typedBase");
        QTest::addColumn<bool>("typed");
        QTest::newRow("folder of the typed host") << u"ex.com/2026/12/"_s << u"ex.com/"_s << true;
        QTest::newRow("scheme and case differ") << u"https://EX.com/a/"_s << u"ex.com/"_s << true;
        QTest::newRow("folder names only") << u"2026/12/"_s << u""_s << false;
        QTest::newRow("emptied server name") << u"/2026/"_s << u"/"_s << false;
        QTest::newRow("another host") << u"other.com/"_s << u"ex.com/"_s << false;
        QTest::newRow("port differs") << u"ex.com:81/"_s << u"ex.com/"_s << false;
    }

    void typedHosts()
    {
        QFETCH(QString, urlName);
        QFETCH(QString, typedBase);
        QFETCH(bool, typed);
        QCOMPARE(namesTypedHost(urlName, typedBase), typed);
    }

    void keptAddressesThatNameAWebHost()
    {
        QVERIFY(namesWebHost(u"http://ex.com/2026/a.jpg"_s, u"2026/a.jpg"_s));
        QVERIFY(!namesWebHost(u"http://2026/12/my%20pic.jpg"_s, u"2026/12/my pic.jpg"_s));
        QVERIFY(!namesWebHost(u"http://2026/a.jpg"_s, u"/2026/a.jpg"_s));
        QVERIFY(!namesWebHost(u"http:///2026/a.jpg"_s, u"x/a.jpg"_s));
        QVERIFY(!namesWebHost(QString(), u"a.jpg"_s));
    }

    void profileLinesInOrderAndAShortProfile()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(u"home.lbx"_s);
        QString error;
        QStringList lines;
        QVERIFY(writeServerProfile(path, {u"s"_s, u"u"_s, u"p"_s, u"n/"_s, u"perm/"_s, u"web"_s}, &error));
        QVERIFY(QFile::resize(path, QFile(path).size() - 5) && readServerProfile(path, &lines, &error));
        QCOMPARE(lines, (QStringList{u"s"_s, u"u"_s, u"p"_s, u"n/"_s, u"perm/"_s}));
    }

    // One line per file in order; the picture tags give the thumbnail form with "Thumb" on, for one file too.
    void linkBlocks()
    {
        struct Case
        {
            LinkForm form;
            QString keyword, linkText;
            bool thumbnailChosen;
            QList<BlockFile> files;
            QString text, openingAfter;
        };
        const QString site = u"ex.com/p/"_s;
        const QList<BlockFile> two{{u"a.jpg"_s, true}, {u"b c.png"_s, false}};
        const QString thumbA = u"[url=http://ex.com/p/a.jpg][img]http://ex.com/p/a_thumb.jpg[/img][/url]"_s;
        // clang-format off
        const Case cases[] = {
            {LinkForm::Bare, u"img"_s, {}, true, two, u"http://ex.com/p/a.jpg\nhttp://ex.com/p/b%20c.png"_s, u"[img]"_s},
            {LinkForm::Tagged, u"img"_s, {}, false, two,
             u"[img]http://ex.com/p/a.jpg[/img]\n[img]http://ex.com/p/b%20c.png[/img]"_s, u"[img]"_s},
            {LinkForm::Tagged, u"img"_s, {}, true, two, thumbA + u"\n[img]http://ex.com/p/b%20c.png[/img]"_s, u"[img]"_s},
            {LinkForm::Tagged, u"img"_s, {}, true, {{u"a.jpg"_s, true}}, thumbA, u"[img]"_s},
            {LinkForm::Tagged, u"img"_s, {}, false, {{u"a.jpg"_s, true}}, u"[img]http://ex.com/p/a.jpg[/img]"_s, u"[img]"_s},
            {LinkForm::Tagged, u"thumb"_s, {}, false, two, thumbA + u"\n[img]http://ex.com/p/b%20c.png[/img]"_s,
             u"[thumb]"_s},
            {LinkForm::Tagged, u"url"_s, u"t"_s, true, two,
             u"[url=http://ex.com/p/a.jpg]t[/url]\n[url=http://ex.com/p/b%20c.png]t[/url]"_s, u"[url="_s},
            {LinkForm::Tagged, u"img"_s, {}, true, {}, u""_s, u"[img]"_s},
        };
        // clang-format on
        for (const Case& c : cases) {
            const TagPair tags = tagPair(c.keyword);
            TagFields fields{site, site, {}, c.keyword, c.linkText, tags.opening, tags.closing};
            fields.thumbnailChosen = c.thumbnailChosen;
            const TaggedAddress built = linkBlock(fields, c.files, c.form);
            QCOMPARE(built.text, c.text);
            QCOMPARE(built.openingTag, c.openingAfter);
        }
        const QStringList four{u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s, u"d.jpg"_s};
        QCOMPARE(fileSetText(four, 60), u"4 files: a.jpg, b.jpg, c.jpg, d.jpg"_s);
        QCOMPARE(fileSetText(four, 20), u"4 files: a.jpg, b.j\u2026"_s);
        QCOMPARE(fileSetText({u"a.jpg"_s}, 60), u"a.jpg"_s);
    }

    // A picture and its thumbnail share a history row: the row is broken by the thumbnail's link alone, while the
    // line counts and names every broken link.
    void aSetCheckComesToOneVerdictARow()
    {
        const LinkCheckResult works{true, 200, 10, u"image/jpeg"_s, false, u"Link works: 200"_s};
        const LinkCheckResult missing{false, 404, -1, {}, false, u"Link broken: 404"_s};
        const LinkCheckResult refused{false, 403, -1, {}, false, u"Link broken: 403"_s};
        const SetCheckOutcome outcome =
            setCheckOutcome({works, missing, refused}, {u"a.jpg"_s, u"a_thumb.jpg"_s, u"b.jpg"_s},
                            {u"http://h/a.jpg"_s, u"http://h/a.jpg"_s, u"http://h/b.jpg"_s});
        QCOMPARE(outcome.summary, u"Links broken: 2 of 3 \u2014 a_thumb.jpg: 404; b.jpg: 403"_s);
        QVERIFY(!outcome.works);
        QCOMPARE(outcome.unreadable, QStringList{u"b.jpg"_s});
        QCOMPARE(outcome.rows.size(), 2);
        QCOMPARE(outcome.rows[0].address, u"http://h/a.jpg"_s);
        QVERIFY(!outcome.rows[0].works);
        QCOMPARE(outcome.rows[0].note, u"Link broken: thumbnail: 404"_s);
        QCOMPARE(outcome.rows[1].note, u"Link broken: 403"_s);
    }
};

QTEST_GUILESS_MAIN(TstPublishRules)
#include "tst_publish_rules.moc"
