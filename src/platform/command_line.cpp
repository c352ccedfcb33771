// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/command_line.h"

#include "platform/version_line.h"
#include "version.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace lumaport {

namespace {

void describe(QCommandLineParser& parser)
{
    QCoreApplication::setApplicationName(QStringLiteral("Lumaport"));
    QCoreApplication::setApplicationVersion(versionNumber(version::kMajor, version::kMinor, version::kRevision));
    parser.setApplicationDescription(QStringLiteral(
        "Picks a picture on the local disks, publishes it on your own web server over FTP, FTPS or SFTP, and "
        "copies its web address, bare or in message-board tags, to the clipboard.\n"
        "\"lumaport publish [options] FILE...\" publishes files from a terminal or a script and prints their "
        "checked links: see \"lumaport publish --help\".\n"
        "\"lumaport watch DIR [options]\" publishes each file that appears in a folder: see \"lumaport watch "
        "--help\"."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("file"),
        QStringLiteral("Files to start with, chosen in the main window (those in the first file's folder)."),
        QStringLiteral("[file...]"));
}

} // namespace

bool asksForHelpOrVersion(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QCommandLineParser parser;
    describe(parser);
    // Options of the window system make this parse fail; they ask for neither.
    return parser.parse(arguments) &&
           (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")) ||
            parser.isSet(QStringLiteral("version")));
}

QStringList readCommandLine(const QCoreApplication& app)
{
    QCommandLineParser parser;
    describe(parser);
    parser.process(app);
    return parser.positionalArguments();
}

} // namespace lumaport
