// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/command_line.h"

#include "platform/file_manager_actions.h"
#include "platform/version_line.h"
#include "version.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

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
        "--help\".\n"
        "\"lumaport --install-file-manager-actions\" adds \"Publish with Lumaport\" to the menus of KDE's, GNOME's "
        "and Xfce's file managers for this user."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("history"), QStringLiteral("Opens the history of published files.")});
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

StartRequest readCommandLine(const QCoreApplication& app)
{
    QCommandLineParser parser;
    describe(parser);
    parser.process(app);
    return {parser.positionalArguments(), parser.isSet(QStringLiteral("history"))};
}

int runInstallActions(int& argc, char** argv)
{
    const QCoreApplication app(argc, argv);
    QStringList installed;
    QString error;
    const bool done = installFileManagerActions(QCoreApplication::applicationFilePath(), &installed, &error);
    for (const QString& path : std::as_const(installed))
        std::fprintf(stdout, "Installed %s\n", qPrintable(path));
    if (!done)
        std::fprintf(stderr, "%s\n", qPrintable(error));
    return done ? 0 : 1;
}

} // namespace lumaport
