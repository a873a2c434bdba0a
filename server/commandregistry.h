#pragma once

#include "filetransfer.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>

#include <functional>
#include <utility>

class ReplyWriter;
struct CommandContext;
struct CommandRequest;

// A command handler answers one request: it reads the arguments, does its work in the database and
// writes exactly one reply (or an error reply) into the writer.
using CommandHandler = std::function<void(const CommandRequest &, ReplyWriter &, CommandContext &)>;

// The commands the server knows, by request keyword, compared without regard to case. Each domain
// file under handlers/ adds its commands here; a keyword prefix serves a whole family of keywords
// (the statistics codes "Stat" + code). File formats are registered the same way for the file blocks.
class CommandRegistry
{
public:
    // False (and nothing changed) when the keyword is taken already.
    bool add(QStringView keyword, CommandHandler handler);
    bool addPrefix(QStringView prefix, CommandHandler handler);

    // The exact keyword first, else the longest prefix that fits; nullptr when none.
    const CommandHandler *find(QStringView keyword) const;
    bool contains(QStringView keyword) const { return find(keyword) != nullptr; }

    // The file formats the PUT and GET blocks carry ("WAV", "TXT"), compared without regard to case.
    bool addFileFormat(QStringView format, FileFormatHandler handler);
    const FileFormatHandler *findFileFormat(QStringView format) const;

private:
    QHash<QString, CommandHandler> m_exact;
    QList<std::pair<QString, CommandHandler>> m_prefixes;
    QHash<QString, FileFormatHandler> m_fileFormats;
};
