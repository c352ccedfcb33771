// SPDX-License-Identifier: GPL-3.0-or-later
// The command-string parser on any operation text.
#include "fuzz_check.h"
#include "transfer/ftp_command.h"

#include <array>

using namespace lumaport;

namespace {

// In the order of FtpCommand::Kind.
constexpr std::array kWords{"DIR",   "CD",   "CDUP", "MKDIR", "RENAME", "DELETE",
                            "RMDIR", "SIZE", "PUT",  "GET",   "CHMOD",  "CLOSE"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::quiet();
    FtpCommand command;
    QString error;
    if (!parseFtpCommand(QString::fromUtf8(fuzz::bytes(data, size)), &command, &error)) {
        fuzz::check(!error.isEmpty(), "a refusal says why");
        return 0;
    }
    // Nothing that could end a command line early, or name nothing, reaches the server.
    for (const QString& name : command.arguments)
        fuzz::check(!name.isEmpty() && !holdsControlCharacter(name), "names are whole and one line");

    // The window builds its commands with quotedName: what was parsed is sent the same way again.
    static_assert(kWords.size() == size_t(FtpCommand::Kind::Close) + 1, "a word for every kind");
    QString rebuilt = QLatin1String(kWords[size_t(command.kind)]);
    for (const QString& name : command.arguments)
        rebuilt += u' ' + quotedName(name);
    FtpCommand again;
    fuzz::check(parseFtpCommand(rebuilt, &again, &error), "a parsed command parses again when quoted");
    fuzz::check(again.kind == command.kind && again.arguments == command.arguments, "and gives the same names");
    return 0;
}
