// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/link_checks.h"

#include "history/published_store.h"
#include "platform/options_file.h"
#include "publish/link_address.h"
#include "publish/link_set_check.h"
#include "session/publishing_session.h"

#include <QDateTime>

#include <memory>
#include <utility>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

const QString kEnabledKey = u"LinkCheck/Enabled"_s;

// A check that ended, let go from inside its own signal: it goes once the event loop is back.
template <typename Check> void retire(std::unique_ptr<Check>& check)
{
    check->cancel();
    check.release()->deleteLater();
}

} // namespace

LinkChecks::LinkChecks(PublishingSession& session, QString optionsPath)
    : m_session(session), m_optionsPath(std::move(optionsPath))
{
    m_enabled = readOptions(m_optionsPath).value(kEnabledKey, true).toBool();
}

LinkChecks::~LinkChecks() = default;

bool LinkChecks::setEnabled(bool on, QString* error)
{
    m_enabled = on;
    if (!on)
        stop();
    return writeOptions(m_optionsPath, {{kEnabledKey, on}}, error);
}

void LinkChecks::checkSent(const SentFile& file)
{
    if (!checkRow(file.address, file.remoteName, file.bytes, file.thumbnailAddress, file.thumbnailBytes))
        return;
    m_running = [this, file] { checkSent(file); };
    m_sentName = file.remoteName;
}

void LinkChecks::checkBuilt(const QString& name, qint64 expectedSize, bool withThumbnail)
{
    stop();
    const QString urlName = m_session.text(SessionText::UrlName);
    const QString address = addressOf(urlName, name);
    if (address.isEmpty())
        return;
    // The thumbnail's size is known only right after it was sent.
    if (withThumbnail) {
        const QString thumbnail = thumbnailName(name);
        m_thumbnail = Link{bareAddress(urlName, thumbnail, m_session.text(SessionText::PermanentUrl)), thumbnail, -1};
    }
    startLink({address, name, expectedSize});
}

bool LinkChecks::checkRow(const QString& address, const QString& name, qint64 bytes, const QString& thumbnailAddress,
                          qint64 thumbnailBytes)
{
    stop();
    if (!m_enabled)
        return false;
    if (address.isEmpty()) {
        tellNoWebAddress();
        return false;
    }
    m_row = address;
    if (!thumbnailAddress.isEmpty())
        m_thumbnail = Link{thumbnailAddress, thumbnailName(name), thumbnailBytes};
    startLink({address, name, bytes});
    return true;
}

QString LinkChecks::addressOf(const QString& urlName, const QString& name)
{
    // A folder or no file at all has no picture to check.
    if (!m_enabled || name.isEmpty() || name.endsWith(u'/'))
        return {};
    const QString typedBase = m_session.text(SessionText::PermanentUrl);
    if (!namesTypedHost(urlName, typedBase)) {
        tellNoWebAddress();
        return {};
    }
    return bareAddress(urlName, name, typedBase);
}

void LinkChecks::startLink(const Link& link)
{
    show(u"Checking "_s + link.address, CheckLine::Plain);
    m_check = std::make_unique<LinkCheck>(LinkCheckRequest{link.address, link.expectedSize, isPictureName(link.name)});
    connect(m_check.get(), &LinkCheck::finished, this, &LinkChecks::LinkCheck_Finished);
    connect(m_check.get(), &LinkCheck::alsoServedOverHttps, this,
            [this] { show(m_shown + u"; also served over https: forum pages need it"_s, m_shownHow); });
}

void LinkChecks::LinkCheck_Finished(const LinkCheckResult& result)
{
    const bool thumbnailChecked = !m_pictureOutcome.isEmpty();
    const QString text = thumbnailChecked ? m_pictureOutcome + u"; thumbnail: "_s + result.text : result.text;
    const bool works = result.works && (!thumbnailChecked || m_pictureWorks);
    // The picture's own verdict, unless its thumbnail's link fails: as a set's row has it.
    const bool sizeDiffers = thumbnailChecked ? m_pictureSizeDiffers : result.sizeDiffers;
    show(text, works ? CheckLine::Works : CheckLine::Broken);
    const std::optional<Link> thumbnail = std::exchange(m_thumbnail, std::nullopt);
    if (thumbnail && result.httpCode != 403) {
        retire(m_check);
        startLink(*thumbnail);
        m_pictureOutcome = text;
        m_pictureWorks = result.works;
        m_pictureSizeDiffers = result.sizeDiffers;
        // An unreadable thumbnail breaks a post as surely as its picture would.
        if (!m_sentName.isEmpty())
            m_sentName = thumbnail->name;
        show(text + u"; checking the thumbnail"_s, CheckLine::Plain);
        return;
    }
    record(std::exchange(m_row, QString()), works, sizeDiffers, text);
    const QString sent = std::exchange(m_sentName, QString());
    if (result.httpCode != 403 || sent.isEmpty())
        return;
    // What follows may start another check while still inside this one's signal.
    retire(m_check);
    m_again = std::move(m_running);
    QStringList names{sent};
    // Sent together, and most likely written alike.
    if (thumbnail)
        names.append(thumbnail->name);
    Q_EMIT unreadable(names);
}

void LinkChecks::checkSentSet(const QList<SentFile>& sent)
{
    if (sent.isEmpty())
        return;
    if (sent.first().address.isEmpty()) {
        tellNoWebAddress();
        return;
    }
    QList<LinkCheckRequest> requests;
    QStringList names;
    QStringList rows;
    for (const SentFile& file : sent) {
        requests.append({file.address, file.bytes, isPictureName(file.remoteName)});
        names.append(file.remoteName);
        rows.append(file.address);
        if (!file.thumbnailAddress.isEmpty()) {
            requests.append({file.thumbnailAddress, file.thumbnailBytes, true});
            names.append(thumbnailName(file.remoteName));
            rows.append(file.address);
        }
    }
    checkSet(requests, names, rows);
}

void LinkChecks::checkSet(const QList<LinkCheckRequest>& requests, const QStringList& names, const QStringList& rows)
{
    stop();
    if (!m_enabled || requests.isEmpty())
        return;
    m_running = [this, requests, names, rows] { checkSet(requests, names, rows); };
    m_names = names;
    m_rows = rows;
    m_results = QList<LinkCheckResult>(requests.size());
    show(u"Checking %1 links"_s.arg(requests.size()), CheckLine::Plain);
    QList<LinkSetItem> items;
    for (qsizetype i = 0; i < requests.size(); ++i)
        items.append({i, requests[i]});
    m_setCheck = std::make_unique<LinkSetCheck>(items);
    connect(m_setCheck.get(), &LinkSetCheck::checked, this,
            [this](qint64 index, const LinkCheckResult& result) { m_results[index] = result; });
    connect(m_setCheck.get(), &LinkSetCheck::finished, this, &LinkChecks::LinkSetCheck_Finished);
}

void LinkChecks::LinkSetCheck_Finished()
{
    const SetCheckOutcome outcome = setCheckOutcome(m_results, m_names, m_rows);
    show(outcome.summary, outcome.works ? CheckLine::Works : CheckLine::Broken, outcome.details);
    for (const SetCheckOutcome::Row& row : outcome.rows)
        record(row.address, row.works, row.sizeDiffers, row.note);
    const QStringList rows = std::exchange(m_rows, {});
    if (rows.isEmpty() || outcome.unreadable.isEmpty())
        return;
    retire(m_setCheck);
    // Offered once for the whole set, as for one file.
    m_again = std::move(m_running);
    Q_EMIT unreadable(outcome.unreadable);
}

bool LinkChecks::checkOffered(const QList<LinkCheckRequest>& requests,
                              std::function<void(const QList<LinkCheckResult>&)> then)
{
    if (!m_enabled || requests.isEmpty())
        return false;
    QList<LinkSetItem> items;
    for (qsizetype i = 0; i < requests.size(); ++i) {
        items.append({i, requests[i]});
        items.last().request.timeoutMs = kRecheckTimeoutMs;
    }
    auto results = std::make_shared<QList<LinkCheckResult>>(requests.size());
    show(requests.size() == 1 ? u"Checking "_s + requests.first().address
                              : u"Checking %1 links published before"_s.arg(requests.size()),
         CheckLine::Plain);
    m_offeredCheck = std::make_unique<LinkSetCheck>(items);
    connect(m_offeredCheck.get(), &LinkSetCheck::checked, this,
            [results](qint64 index, const LinkCheckResult& result) { (*results)[index] = result; });
    connect(m_offeredCheck.get(), &LinkSetCheck::finished, this, [this, requests, results, then = std::move(then)] {
        retire(m_offeredCheck);
        show(QString(), CheckLine::Plain);
        for (qsizetype i = 0; i < requests.size(); ++i) {
            const LinkCheckResult& result = results->at(i);
            record(requests[i].address, result.works, result.sizeDiffers, result.text);
        }
        then(*results);
    });
    return true;
}

void LinkChecks::tell(const LinkCheckResult& result)
{
    show(result.text, result.works ? CheckLine::Works : CheckLine::Broken);
}

void LinkChecks::tellNoWebAddress()
{
    stop();
    if (m_enabled)
        show(u"No web address is set, so no link is checked: type the web server's name under "
             u"\"Permanente URL\"."_s,
             CheckLine::Plain);
}

void LinkChecks::checkAgain()
{
    if (const std::function<void()> again = std::exchange(m_again, {}))
        again();
}

void LinkChecks::stop()
{
    m_check.reset();
    m_setCheck.reset();
    m_thumbnail.reset();
    m_pictureOutcome.clear();
    m_row.clear();
    m_sentName.clear();
    m_rows.clear();
    m_running = {};
    show(QString(), CheckLine::Plain);
}

void LinkChecks::show(const QString& text, CheckLine how, const QString& details)
{
    m_shown = details.isEmpty() ? text : details;
    m_shownHow = how;
    Q_EMIT shown(text, how, details);
}

void LinkChecks::record(const QString& address, bool works, bool sizeDiffers, const QString& note)
{
    m_session.recordCheck(address, {0, linkVerdictOf(works, sizeDiffers), note, QDateTime::currentDateTimeUtc()});
}

} // namespace lumaport
