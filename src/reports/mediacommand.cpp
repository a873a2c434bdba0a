#include "mediacommand.h"

using namespace Qt::StringLiterals;

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Walks a command word by word.
class Scanner
{
public:
    explicit Scanner(QStringView text) : m_text(text) {}

    void skipBlanks()
    {
        while (m_at < m_text.size() && isBlank(m_text[m_at]))
            ++m_at;
    }
    bool atEnd()
    {
        skipBlanks();
        return m_at >= m_text.size();
    }
    QStringView word()
    {
        skipBlanks();
        const qsizetype start = m_at;
        while (m_at < m_text.size() && !isBlank(m_text[m_at]))
            ++m_at;
        return m_text.sliced(start, m_at - start);
    }
    // The next word, if it is `expected` in any case.
    bool take(QStringView expected)
    {
        const qsizetype before = m_at;
        if (word().compare(expected, Qt::CaseInsensitive) == 0)
            return true;
        m_at = before;
        return false;
    }
    QStringView rest()
    {
        skipBlanks();
        return m_text.sliced(m_at).trimmed();
    }

private:
    QStringView m_text;
    qsizetype m_at = 0;
};

std::optional<qint64> milliseconds(QStringView word)
{
    if (word.isEmpty() || word.size() > 12)
        return std::nullopt;
    for (QChar c : word) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    return word.toLongLong();
}

// A path as written in a command: in double quotes (the quotes go), or as it stands.
std::optional<QString> pathOf(QStringView text)
{
    if (text.startsWith(u'"')) {
        if (text.size() < 2 || !text.endsWith(u'"'))
            return std::nullopt;
        text = text.sliced(1, text.size() - 2);
    }
    if (text.isEmpty() || text.contains(u'"'))
        return std::nullopt;
    return text.toString();
}

} // namespace

QString MediaCommand::quoted(const QString &path)
{
    return u'"' + path + u'"';
}

std::optional<MediaCommand> MediaCommand::parse(QStringView text, QString *error)
{
    const auto fail = [error](const QString &why) -> std::optional<MediaCommand> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    Scanner scan(text.trimmed());
    MediaCommand command;
    const QString verb = scan.word().toString().toLower();
    const auto aliasWord = [&scan]() { return scan.word().toString().toLower(); };

    if (verb == u"open") {
        const qsizetype restStart = text.trimmed().indexOf(u' ');
        if (scan.take(u"new")) {
            if (!scan.take(u"type") || !scan.take(u"waveaudio") || !scan.take(u"alias"))
                return fail(u"expected: open new type waveaudio alias <name>"_s);
            command.verb = Verb::OpenNew;
            command.alias = aliasWord();
        } else {
            // open waveaudio!<path> alias <name>: the path may hold blanks, so the alias is the
            // word after the last " alias ".
            const QStringView rest = text.trimmed().sliced(restStart < 0 ? text.trimmed().size() : restStart).trimmed();
            constexpr QStringView kDevice = u"waveaudio!";
            if (!rest.startsWith(kDevice, Qt::CaseInsensitive))
                return fail(u"expected: open new ... or open waveaudio!<file> alias <name>"_s);
            const QStringView afterDevice = rest.sliced(kDevice.size());
            const qsizetype aliasAt = afterDevice.lastIndexOf(u" alias "_s, -1, Qt::CaseInsensitive);
            if (aliasAt < 0)
                return fail(u"the alias of the file is missing"_s);
            const std::optional<QString> path = pathOf(afterDevice.first(aliasAt).trimmed());
            if (!path)
                return fail(u"the file name is missing or badly quoted"_s);
            command.verb = Verb::OpenFile;
            command.path = *path;
            Scanner tail(afterDevice.sliced(aliasAt + 7));
            command.alias = tail.word().toString().toLower();
            if (!tail.atEnd())
                return fail(u"unexpected words after the alias"_s);
            if (command.alias.isEmpty())
                return fail(u"the alias is missing"_s);
            return command;
        }
    } else if (verb == u"close") {
        command.alias = aliasWord();
        command.verb = command.alias == u"all" ? Verb::CloseAll : Verb::Close;
        if (command.verb == Verb::CloseAll)
            command.alias.clear();
        else if (command.alias.isEmpty())
            return fail(u"close what?"_s);
    } else if (verb == u"record" || verb == u"play") {
        command.verb = verb == u"record" ? Verb::Rec : Verb::Play;
        command.alias = aliasWord();
        while (!scan.atEnd()) {
            if (scan.take(u"from")) {
                command.from = milliseconds(scan.word());
                if (!command.from)
                    return fail(u"from needs a number of milliseconds"_s);
            } else if (command.verb == Verb::Rec && scan.take(u"insert")) {
                command.recordMode = RecordMode::Insert;
            } else if (command.verb == Verb::Rec && scan.take(u"overwrite")) {
                command.recordMode = RecordMode::Overwrite;
            } else {
                return fail(u"unknown word '"_s + scan.word().toString() + u"'"_s);
            }
        }
    } else if (verb == u"pause" || verb == u"stop") {
        command.verb = verb == u"pause" ? Verb::Pause : Verb::Stop;
        command.alias = aliasWord();
    } else if (verb == u"status") {
        command.verb = Verb::Status;
        command.alias = aliasWord();
        const QString item = scan.word().toString().toLower();
        if (item == u"position")
            command.item = Item::Position;
        else if (item == u"length")
            command.item = Item::Length;
        else if (item == u"mode")
            command.item = Item::Mode;
        else
            return fail(u"status position, length or mode"_s);
    } else if (verb == u"save") {
        command.verb = Verb::Save;
        command.alias = aliasWord();
        const std::optional<QString> path = pathOf(scan.rest());
        if (!path)
            return fail(u"the file name is missing or badly quoted"_s);
        command.path = *path;
        if (command.alias.isEmpty())
            return fail(u"the alias is missing"_s);
        return command;
    } else {
        return fail(u"unknown command '"_s + verb + u"'"_s);
    }

    if (command.verb != Verb::CloseAll && command.alias.isEmpty())
        return fail(u"the alias is missing"_s);
    if (!scan.atEnd())
        return fail(u"unexpected words at the end"_s);
    return command;
}
