#include "commandregistry.h"

bool CommandRegistry::add(QStringView keyword, CommandHandler handler)
{
    const QString key = keyword.toString().toUpper();
    if (key.isEmpty() || m_exact.contains(key) || !handler)
        return false;
    m_exact.insert(key, std::move(handler));
    return true;
}

bool CommandRegistry::addPrefix(QStringView prefix, CommandHandler handler)
{
    const QString key = prefix.toString().toUpper();
    if (key.isEmpty() || !handler)
        return false;
    for (const auto &entry : std::as_const(m_prefixes)) {
        if (entry.first == key)
            return false;
    }
    m_prefixes.append({key, std::move(handler)});
    return true;
}

const CommandHandler *CommandRegistry::find(QStringView keyword) const
{
    const QString key = keyword.toString().toUpper();
    if (const auto it = m_exact.constFind(key); it != m_exact.cend())
        return &it.value();
    const CommandHandler *best = nullptr;
    qsizetype bestLength = 0;
    for (const auto &entry : m_prefixes) {
        if (entry.first.size() > bestLength && key.startsWith(entry.first)) {
            best = &entry.second;
            bestLength = entry.first.size();
        }
    }
    return best;
}

bool CommandRegistry::addFileFormat(QStringView format, FileFormatHandler handler)
{
    const QString key = format.toString().toUpper();
    if (key.isEmpty() || m_fileFormats.contains(key) || (!handler.put && !handler.get))
        return false;
    m_fileFormats.insert(key, std::move(handler));
    return true;
}

const FileFormatHandler *CommandRegistry::findFileFormat(QStringView format) const
{
    const auto it = m_fileFormats.constFind(format.toString().toUpper());
    return it == m_fileFormats.cend() ? nullptr : &it.value();
}
