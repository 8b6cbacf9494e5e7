#include "cli/ConfigFile.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>

namespace ravo::cli {
namespace {

enum class Kind { Unknown, Flag, Value };

// The parser itself tells what a name is: a flag parses bare, an option with a
// value parses with one, and anything else is not an option of the command.
Kind kindOf(QCommandLineParser& parser, const QString& name) {
    if (parser.parse({"x", "--" + name})) return Kind::Flag;
    if (parser.parse({"x", "--" + name + "=x"})) return Kind::Value;
    return Kind::Unknown;
}

// The text of a value: quoted (with \" and \\ inside), or as it stands.
bool valueText(const QString& raw, QString& out) {
    if (!raw.startsWith('"')) {
        out = raw;
        return true;
    }
    out.clear();
    for (qsizetype i = 1; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c == '"') return i == raw.size() - 1;
        if (c == '\\' && i + 1 < raw.size() && (raw[i + 1] == '"' || raw[i + 1] == '\\')) {
            out += raw[++i];
            continue;
        }
        out += c;
    }
    return false;  // no closing quote
}

// One line; an empty `arg` for a comment, a blank line or a flag set to false.
bool lineArgument(QCommandLineParser& parser, const QString& line, QString& arg, QString& why) {
    arg.clear();
    const QString text = line.trimmed();
    if (text.isEmpty() || text.startsWith('#')) return true;
    static const QRegularExpression shape(R"(^([A-Za-z0-9][A-Za-z0-9_-]*)\s*(?:=\s*(.*))?$)");
    const QRegularExpressionMatch m = shape.match(text);
    if (!m.hasMatch()) {
        why = "expected NAME = VALUE, not '" + text + "'";
        return false;
    }
    const QString name = m.captured(1);
    const bool hasValue = m.capturedStart(2) >= 0;
    QString value;
    if (hasValue && !valueText(m.captured(2), value)) {
        why = "unterminated quoted value";
        return false;
    }
    if (name == "config") {
        why = "config cannot be set inside a configuration file";
        return false;
    }
    switch (kindOf(parser, name)) {
        case Kind::Unknown: why = "unknown option '" + name + "'"; return false;
        case Kind::Flag:
            if (!hasValue || value.compare("true", Qt::CaseInsensitive) == 0) arg = "--" + name;
            else if (value.compare("false", Qt::CaseInsensitive) != 0) {
                why = name + " is a flag: true or false, not '" + value + "'";
                return false;
            }
            return true;
        case Kind::Value:
            if (!hasValue || (value.isEmpty() && !m.captured(2).startsWith('"'))) {
                why = "missing value for " + name + " (write \"\" for an empty text)";
                return false;
            }
            arg = "--" + name + "=" + value;
            return true;
    }
    return false;
}

QString optionName(const QString& arg) { return arg.mid(2).section('=', 0, 0); }

}  // namespace

bool configArguments(const QString& path, QCommandLineParser& parser, QStringList& out, std::string& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = "cannot read " + path.toStdString() + ": " + file.errorString().toStdString();
        return false;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString arg, why;
        if (!lineArgument(parser, lines[i], arg, why)) {
            error = path.toStdString() + ":" + std::to_string(i + 1) + ": " + why.toStdString();
            return false;
        }
        if (!arg.isEmpty()) out << arg;
    }
    return true;
}

bool parseWithConfig(QCommandLineParser& parser, const QStringList& args, std::string& error) {
    if (!parser.parse(args)) {
        error = parser.errorText().toStdString();
        return false;
    }
    if (!parser.isSet("config")) return true;
    const QString path = parser.value("config");
    const QStringList given = parser.optionNames();
    const QSet<QString> onCommandLine(given.begin(), given.end());
    QStringList fromFile;
    if (!configArguments(path, parser, fromFile, error)) return false;
    // The file first: for an option with one value the last one counts, and an
    // option on the command line drops the file's lines for it.
    QStringList all{args.value(0)};
    for (const QString& a : fromFile)
        if (!onCommandLine.contains(optionName(a))) all << a;
    all << args.mid(1);
    if (!parser.parse(all)) {
        error = parser.errorText().toStdString();
        return false;
    }
    return true;
}

}  // namespace ravo::cli
