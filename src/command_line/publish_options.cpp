// SPDX-License-Identifier: GPL-3.0-or-later
#include "command_line/publish_options.h"

#include "session/publisher.h"
#include "transfer/remote_folder.h"

#include <QCommandLineParser>

#include <algorithm>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

struct FormWord
{
    QStringView word;
    LinkStyle style;
};
constexpr FormWord kForms[] = {{u"address", LinkStyle::Bare},
                               {u"tags", LinkStyle::Tags},
                               {u"markdown", LinkStyle::Markdown},
                               {u"html", LinkStyle::Html}};

// A whole number of at least one; nullopt for anything else.
std::optional<int> positive(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value > 0 ? std::optional(value) : std::nullopt;
}

bool readFit(const QString& text, PictureChoices* choices)
{
    const QStringList parts = text.split(u',');
    const std::optional<int> side = positive(parts.first());
    const std::optional<int> kilobytes = parts.size() == 2 ? positive(parts.last()) : std::optional(0);
    if (parts.size() > 2 || !side || !kilobytes)
        return false;
    choices->fit = true;
    choices->maxSide = *side;
    choices->maxKilobytes = *kilobytes;
    return true;
}

} // namespace

PublishRequest readPublishOptions(const QStringList& arguments, PublishOptions* options, QString* error)
{
    QCommandLineParser parser;
    const auto valued = [&parser](const QString& name) {
        parser.addOption(QCommandLineOption(name, QString(), u"value"_s));
    };
    for (const QString& name : {u"profile"_s, u"server"_s, u"user"_s, u"folder"_s, u"web-address"_s, u"form"_s,
                                u"alt"_s, u"fit"_s, u"thumb"_s, u"connections"_s, u"trust"_s})
        valued(name);
    for (const QString& name :
         {u"no-location"_s, u"public"_s, u"json"_s, u"send-again"_s, u"webp"_s, u"copy"_s, u"notify"_s})
        parser.addOption(QCommandLineOption(name));
    parser.addOption(QCommandLineOption(QStringList{u"h"_s, u"help"_s}));
    if (!parser.parse(QStringList{u"publish"_s} + arguments)) {
        *error = parser.errorText();
        return PublishRequest::Refused;
    }
    if (parser.isSet(u"help"_s))
        return PublishRequest::Help;

    PublishOptions read;
    read.files = parser.positionalArguments();
    read.profile = parser.value(u"profile"_s);
    for (auto [name, field] : {std::pair{u"server"_s, &PublishOptions::server},
                               {u"user"_s, &PublishOptions::user},
                               {u"web-address"_s, &PublishOptions::webAddress}}) {
        if (parser.isSet(name))
            read.*field = parser.value(name);
    }
    read.folder = parser.value(u"folder"_s);
    read.alt = parser.value(u"alt"_s);
    read.choices.removeMetadata = parser.isSet(u"no-location"_s);
    read.publicSends = parser.isSet(u"public"_s);
    read.json = parser.isSet(u"json"_s);
    read.sendAgain = parser.isSet(u"send-again"_s);
    read.copy = parser.isSet(u"copy"_s);
    read.notify = parser.isSet(u"notify"_s);
    read.choices.sendAsWebp = parser.isSet(u"webp"_s);
    read.trust = parser.value(u"trust"_s);

    // Every refusal is decided here, before a file or the server is reached.
    if (read.files.isEmpty())
        *error = u"No file to publish: give one or more files after the options."_s;
    if (parser.isSet(u"form"_s)) {
        const QString word = parser.value(u"form"_s);
        const auto form = std::find_if(std::begin(kForms), std::end(kForms),
                                       [&word](const FormWord& known) { return known.word == word; });
        if (form == std::end(kForms))
            *error = u"--form takes address, tags, markdown or html, not \"%1\"."_s.arg(word);
        else
            read.form = form->style;
    }
    if (parser.isSet(u"fit"_s) && !readFit(parser.value(u"fit"_s), &read.choices))
        *error = u"--fit takes the longest side in pixels, and a size limit in KB after a comma: 1024 or "
                 u"1024,500."_s;
    if (read.choices.sendAsWebp && !read.choices.fit)
        *error = u"--webp goes with --fit: only a picture made to fit is sent as WebP."_s;
    if (parser.isSet(u"thumb"_s)) {
        const std::optional<int> side = positive(parser.value(u"thumb"_s));
        read.choices.thumbnail = side.has_value();
        read.choices.thumbnailSide = side.value_or(0);
        if (!side)
            *error = u"--thumb takes the thumbnail's longest side in pixels."_s;
    }
    if (parser.isSet(u"connections"_s)) {
        read.connections = positive(parser.value(u"connections"_s));
        if (!read.connections || *read.connections > kMostConnections)
            *error = u"--connections takes a number from 1 to %1."_s.arg(kMostConnections);
    }
    if (!RemoteFolder().entered(read.folder).withinLogOnFolder())
        *error = u"--folder takes a folder under the log-on folder, not \"%1\"."_s.arg(read.folder);
    if (!error->isEmpty())
        return PublishRequest::Refused;
    *options = std::move(read);
    return PublishRequest::Publish;
}

QString publishHelp()
{
    return uR"(Usage: lumaport publish [options] FILE...
Sends the files to your server as the FTP window's "Send" does, checks each link from the web side, keeps
each file in the history, and prints one line per file, in the order given.

Where to:
  --profile FILE       a server profile, as the FTP window's "Save" writes it; without one, the server of
                       the settings file
  --server TEXT        the server, as the server box takes it: ftp://, ftpes://, ftps://, sftp://, s3://,
                       s3+http://, dav://, davs://
  --user NAME          the user to log on as
  --folder PATH        the folder to send into, under the log-on folder
  --web-address URL    the web address of the log-on folder, what "Permanente URL" holds
  The password comes from the keyring, the profile or the settings file, or the environment variable
  LUMAPORT_PASSWORD; it is asked for when standard input is a terminal. It is never taken as an argument.

What is printed:
  --form FORM          address (the default), tags (as "URL with Tags" builds them), markdown or html
  --alt TEXT           the text a picture stands in for, in markdown and html; the file's name without it
  --json               one JSON object per line and file: file, address, link, thumbnail, bytes, check
  --copy               also puts the lines on the clipboard, where they stay after the command ends
  --notify             tells how it went in a desktop notification, which opens the history when clicked

What is sent:
  --no-location        removes location and camera data from pictures
  --fit PX[,KB]        fits pictures within PX pixels on their longest side, and within KB kilobytes
  --thumb PX           sends a thumbnail of PX pixels beside each picture
  --webp               with --fit, sends JPEG and PNG pictures as WebP, under a .webp name
  --public             makes the files sent to a bucket readable by everyone, this time
  --connections N      sends a set over N connections at once (1 to 10); the options file's, else 3
  --send-again         sends every file: one the history holds with a working link (without it, its link
                       is printed and it is not sent again), and one whose name is already in the folder,
                       which it replaces (without it, such a file is not sent)
  --trust FINGERPRINT  trusts the server's certificate or host key of that fingerprint from now on
  -h, --help           shows this

Progress and every failure go to standard error.
Exit status: 0 when every file was sent and its link works; 1 when a file was not sent or its link is
broken (what worked is still printed); 2 for a wrong command line, a file that can't be read, no server,
or a certificate or host key not trusted yet.
)"_s;
}

} // namespace lumaport
