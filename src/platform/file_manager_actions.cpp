// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_manager_actions.h"

#include "platform/replacing_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QXmlStreamReader>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

const QString kCommand = u"lumaport publish"_s;

QString resource(const QString& name)
{
    QFile file(u":/lumaport/file_manager/"_s + name);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Quoted for the shell and the desktop entry's Exec alike, unless it needs no quotes.
QString quotedProgram(const QString& program)
{
    static const QRegularExpression plain(u"^[A-Za-z0-9/._+-]+$"_s);
    if (plain.match(program).hasMatch())
        return program;
    QString quoted = program;
    quoted.replace(u'\\', u"\\\\"_s).replace(u'"', u"\\\""_s).replace(u'$', u"\\$"_s).replace(u'`', u"\\`"_s);
    return u'"' + quoted + u'"';
}

bool writeText(const QString& path, const QString& text, bool executable, QStringList* installed, QString* error)
{
    const QByteArray bytes = text.toUtf8();
    ReplacingFile file;
    if (!QDir().mkpath(QFileInfo(path).path())) {
        *error = u"Cannot make the folder of \"%1\"."_s.arg(path);
        return false;
    }
    if (!file.open(path, error) || !file.write(bytes.constData(), bytes.size(), error) || !file.commit(error))
        return false;
    if (executable &&
        !QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther)) {
        *error = u"Cannot make \"%1\" executable."_s.arg(path);
        return false;
    }
    installed->append(path);
    return true;
}

} // namespace

bool mergeThunarAction(const QString& actions, const QString& ours, QString* merged, QString* error)
{
    if (actions.trimmed().isEmpty()) {
        *merged = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n"_s + ours + u"</actions>\n"_s;
        return true;
    }
    QXmlStreamReader ourReader(ours);
    QString ourId;
    while (!ourReader.atEnd() && ourId.isEmpty())
        if (ourReader.readNext() == QXmlStreamReader::StartElement && ourReader.name() == u"unique-id")
            ourId = ourReader.readElementText();

    // Where our action is, or where the list ends, by the reader's offsets into the text: a tag ends there, and
    // starts at the last '<' before it, which no attribute value may hold.
    QXmlStreamReader reader(actions);
    const auto tagStart = [&] { return actions.lastIndexOf(u'<', reader.characterOffset() - 1); };
    qint64 actionStart = -1;
    qint64 replaceFrom = -1;
    qint64 replaceTo = -1;
    qint64 listEnd = -1;
    int depth = 0;
    while (!reader.atEnd() && listEnd < 0) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (depth == 0 && reader.name() != u"actions")
                break;
            if (depth == 1 && reader.name() == u"action")
                actionStart = tagStart();
            // Read whole, its end included.
            if (depth == 2 && reader.name() == u"unique-id") {
                if (reader.readElementText() == ourId && replaceFrom < 0)
                    replaceFrom = actionStart;
            } else {
                ++depth;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
            if (depth == 1 && replaceFrom == actionStart && replaceFrom >= 0 && replaceTo < 0)
                replaceTo = reader.characterOffset();
            if (depth == 0)
                listEnd = tagStart();
        }
    }
    if (reader.hasError() || listEnd < 0) {
        *error = reader.hasError() ? reader.errorString() : u"it holds no list of actions"_s;
        return false;
    }
    *merged = replaceTo >= 0 ? actions.left(replaceFrom) + ours.trimmed() + actions.mid(replaceTo)
                             : actions.left(listEnd) + ours + actions.mid(listEnd);
    return true;
}

bool installFileManagerActions(const QString& program, QStringList* installed, QString* error)
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString configHome = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString command = quotedProgram(program) + kCommand.mid(kCommand.indexOf(u' '));
    QStringList failures;
    const auto step = [&](bool held, const QString& why) {
        if (!held)
            failures.append(why);
    };
    QString why;
    step(writeText(dataHome + u"/kio/servicemenus/org.lumaport.Lumaport.publish.desktop"_s,
                   resource(u"org.lumaport.Lumaport.publish.desktop"_s).replace(kCommand, command), true, installed,
                   &why),
         why);
    step(writeText(dataHome + u"/nautilus/scripts/Publish with Lumaport"_s,
                   resource(u"publish-with-lumaport.sh"_s).replace(kCommand, command), true, installed, &why),
         why);

    const QString ucaPath = configHome + u"/Thunar/uca.xml"_s;
    QFile uca(ucaPath);
    QString existing;
    if (uca.exists() && uca.open(QIODevice::ReadOnly))
        existing = QString::fromUtf8(uca.readAll());
    QString merged;
    QString mergeError;
    if (uca.exists() && !uca.isOpen())
        failures.append(u"Cannot read \"%1\": %2"_s.arg(ucaPath, uca.errorString()));
    else if (!mergeThunarAction(existing, resource(u"thunar-action.xml"_s).replace(kCommand, command.toHtmlEscaped()),
                                &merged, &mergeError))
        failures.append(u"\"%1\" was left as it is: %2"_s.arg(ucaPath, mergeError));
    else
        step(writeText(ucaPath, merged, false, installed, &why), why);

    *error = failures.join(u'\n');
    return failures.isEmpty();
}

} // namespace lumaport
