// SPDX-License-Identifier: GPL-3.0-or-later
// The tagged and bare addresses the lower panel builds, and the opening tag it leaves behind.
#include "publish/link_address.h"

#include <QTest>

using namespace lumaport;
using namespace Qt::StringLiterals;

class TstLinkAddress : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void tagged_data();
    void tagged();
};

void TstLinkAddress::tagged_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("linkText");
    QTest::addColumn<QStringList>("tagsBefore"); // empty: the pair the keyword gives
    QTest::addColumn<QString>("urlName");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("openingAfter");

    const QString site = u"example.com/pics/"_s;
    const auto row = [](const char* tag, const QString& keyword, const QString& linkText, const QStringList& tags,
                        const QString& urlName, const QString& fileName, const QString& text, const QString& after) {
        QTest::newRow(tag) << keyword << linkText << tags << urlName << fileName << text << after;
    };
    row("img", u"img"_s, {}, {}, site, u"photo.jpg"_s, u"[img]http://example.com/pics/photo.jpg[/img]"_s, u"[img]"_s);
    row("url without link text", u"url"_s, {}, {}, site, u"a.zip"_s, u"[url]http://example.com/pics/a.zip[/url]"_s,
        u"[url]"_s);
    row("url with link text", u"url"_s, u"My file"_s, {}, site, u"a.zip"_s,
        u"[url=http://example.com/pics/a.zip]My file[/url]"_s, u"[url="_s);
    row("link text emptied after the link form", u"url"_s, {}, {u"[url="_s, u"[/url]"_s}, site, u"a.zip"_s,
        u"[url]http://example.com/pics/a.zip[/url]"_s, u"[url]"_s);
    row("link text ignored for img", u"img"_s, u"text"_s, {}, site, u"p.gif"_s,
        u"[img]http://example.com/pics/p.gif[/img]"_s, u"[img]"_s);
    row("any other word", u"b"_s, {}, {}, site, u"x.jpg"_s, u"[b]http://example.com/pics/x.jpg[/b]"_s, u"[b]"_s);
    row("empty keyword", u""_s, {}, {}, site, u"x.jpg"_s, u"[]http://example.com/pics/x.jpg[/]"_s, u"[]"_s);
    row("keyword never set", u""_s, {}, {u"[img]"_s, u"[/img]"_s}, site, u"x.jpg"_s,
        u"[img]http://example.com/pics/x.jpg[/img]"_s, u"[img]"_s);
    row("keyword is case-sensitive", u"URL"_s, u"text"_s, {}, site, u"a.zip"_s,
        u"[URL]http://example.com/pics/a.zip[/URL]"_s, u"[URL]"_s);
    row("blank", u"img"_s, {}, {}, site, u"my photo.jpg"_s, u"[img]http://example.com/pics/my%20photo.jpg[/img]"_s,
        u"[img]"_s);
    row("letters beyond ASCII and a blank in the link form", u"url"_s, u"Fotos"_s, {}, u"example.com/mein ordner/"_s,
        u"Müller café.jpg"_s, u"[url=http://example.com/mein%20ordner/M%C3%BCller%20caf%C3%A9.jpg]Fotos[/url]"_s,
        u"[url="_s);
    row("characters no path may hold", u"img"_s, {}, {}, site, u"a\"<>\\^`{|}b.jpg"_s,
        u"[img]http://example.com/pics/a%22%3C%3E%5C%5E%60%7B%7C%7Db.jpg[/img]"_s, u"[img]"_s);
    row("percent and other marks stay, nothing encoded twice", u"img"_s, {}, {}, site,
        u"50% off&more=(1)+[2];~!$'*,@?#.jpg"_s,
        u"[img]http://example.com/pics/50%%20off&more=(1)+[2];~!$'*,@?#.jpg[/img]"_s, u"[img]"_s);
    row("already encoded", u"img"_s, {}, {}, site, u"my%20photo.jpg"_s,
        u"[img]http://example.com/pics/my%20photo.jpg[/img]"_s, u"[img]"_s);
    row("host with a port", u"img"_s, {}, {}, u"127.0.0.1:8000/"_s, u"x.jpg"_s,
        u"[img]http://127.0.0.1:8000/x.jpg[/img]"_s, u"[img]"_s);
    row("empty address", u"img"_s, {}, {}, u""_s, u"x.jpg"_s, u"[img]http://x.jpg[/img]"_s, u"[img]"_s);
    row("no file name", u"img"_s, {}, {}, site, u""_s, u"[img]http://example.com/pics/[/img]"_s, u"[img]"_s);
}

void TstLinkAddress::tagged()
{
    QFETCH(QString, keyword);
    QFETCH(QString, linkText);
    QFETCH(QStringList, tagsBefore);
    QFETCH(QString, urlName);
    QFETCH(QString, fileName);
    QFETCH(QString, text);
    QFETCH(QString, openingAfter);

    const TagPair tags = tagsBefore.isEmpty() ? tagPair(keyword) : TagPair{tagsBefore[0], tagsBefore[1]};
    const TaggedAddress built = taggedAddress({urlName, fileName, keyword, linkText, tags.opening, tags.closing});
    QCOMPARE(built.text, text);
    QCOMPARE(built.openingTag, openingAfter);
}

QTEST_GUILESS_MAIN(TstLinkAddress)
#include "tst_link_address.moc"
