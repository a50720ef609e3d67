#include "resources/UiResources.h"

#include <QFile>
#include <QHash>
#include <QResource>
#include <QStringList>

#include <array>
#include <mutex>

namespace {

// Inside a bundle every entry sits at ":/<bundle>/<TYPE>/<number>"; the string table is one file.
constexpr const char* kStringTable = "STRINGTABLE";

struct BundleState {
    QString rccPath;
    QHash<int, QString> strings;
};

std::mutex stateLock;
std::array<BundleState, 2> states;

int indexOf(UiResources::Bundle bundle)
{
    return bundle == UiResources::Bundle::Uibase ? 0 : 1;
}

QString rootOf(UiResources::Bundle bundle)
{
    return bundle == UiResources::Bundle::Uibase ? QStringLiteral("/Uibase") : QStringLiteral("/Uires");
}

// Bundles are searched Uires first: the program's own resources win over the framework's.
constexpr std::array<UiResources::Bundle, 2> kSearchOrder{UiResources::Bundle::Uires, UiResources::Bundle::Uibase};

QString unescape(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\\') && i + 1 < text.size()) {
            const QChar next = text[++i];
            out += next == QLatin1Char('n') ? QChar('\n') : next == QLatin1Char('t') ? QChar('\t') : next;
        } else {
            out += text[i];
        }
    }
    return out;
}

QHash<int, QString> readStringTable(UiResources::Bundle bundle)
{
    QHash<int, QString> table;
    QFile file(QLatin1Char(':') + rootOf(bundle) + QLatin1Char('/') + QLatin1String(kStringTable));
    if (!file.open(QIODevice::ReadOnly))
        return table;
    const QString text = QString::fromUtf8(file.readAll());
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab <= 0 || line.startsWith(QLatin1Char('#')))
            continue;
        bool ok = false;
        const int id = line.left(tab).toInt(&ok);
        if (ok)
            table.insert(id, unescape(line.mid(tab + 1)));
    }
    return table;
}

QString entryPath(UiResources::Bundle bundle, const QString& type, int id)
{
    return QStringLiteral(":%1/%2/%3").arg(rootOf(bundle), type).arg(id);
}

}  // namespace

QString UiResources::fileName(Bundle bundle)
{
    return bundle == Bundle::Uibase ? QStringLiteral("Uibase.rcc") : QStringLiteral("Uires.rcc");
}

bool UiResources::bind(Bundle bundle, const QString& folder)
{
    unbind(bundle);
    const QString path = folder + QLatin1Char('/') + fileName(bundle);
    if (!QFile::exists(path) || !QResource::registerResource(path, rootOf(bundle)))
        return false;
    std::lock_guard guard(stateLock);
    BundleState& state = states[indexOf(bundle)];
    state.rccPath = path;
    state.strings = readStringTable(bundle);
    return true;
}

void UiResources::unbind(Bundle bundle)
{
    std::lock_guard guard(stateLock);
    BundleState& state = states[indexOf(bundle)];
    if (state.rccPath.isEmpty())
        return;
    QResource::unregisterResource(state.rccPath, rootOf(bundle));
    state = BundleState{};
}

bool UiResources::isBound(Bundle bundle)
{
    std::lock_guard guard(stateLock);
    return !states[indexOf(bundle)].rccPath.isEmpty();
}

QString UiResources::string(int id)
{
    std::lock_guard guard(stateLock);
    for (Bundle bundle : kSearchOrder) {
        const auto& strings = states[indexOf(bundle)].strings;
        const auto found = strings.constFind(id);
        if (found != strings.constEnd())
            return *found;
    }
    return {};
}

bool UiResources::hasString(int id)
{
    std::lock_guard guard(stateLock);
    for (Bundle bundle : kSearchOrder) {
        if (states[indexOf(bundle)].strings.contains(id))
            return true;
    }
    return false;
}

QByteArray UiResources::data(const QString& type, int id)
{
    for (Bundle bundle : kSearchOrder) {
        if (!isBound(bundle))
            continue;
        QFile file(entryPath(bundle, type, id));
        if (file.open(QIODevice::ReadOnly))
            return file.readAll();
    }
    return {};
}

QImage UiResources::bitmap(int id)
{
    const QByteArray bytes = data(QStringLiteral("BITMAP"), id);
    return bytes.isEmpty() ? QImage() : QImage::fromData(bytes, "PNG");
}

QImage UiResources::icon(int id)
{
    const QByteArray bytes = data(QStringLiteral("ICON"), id);
    return bytes.isEmpty() ? QImage() : QImage::fromData(bytes, "PNG");
}

namespace {

// A menu file has one entry a line; leading tabs give the depth. "-" is a separator, "label<TAB>number"
// a command, a bare label opens a pop-up holding the deeper lines that follow.
QVector<UiResources::MenuEntry> parseMenu(const QStringList& lines, qsizetype& index, int depth)
{
    QVector<UiResources::MenuEntry> entries;
    while (index < lines.size()) {
        const QString& raw = lines[index];
        int level = 0;
        while (level < raw.size() && raw[level] == QLatin1Char('\t'))
            ++level;
        const QString line = raw.mid(level);
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            ++index;
            continue;
        }
        if (level < depth)
            break;
        ++index;
        UiResources::MenuEntry entry;
        if (line != QLatin1String("-")) {
            const qsizetype tab = line.indexOf(QLatin1Char('\t'));
            if (tab >= 0) {
                entry.label = unescape(QStringView(line).left(tab));
                entry.command = line.mid(tab + 1).trimmed().toInt();
            } else {
                entry.label = unescape(line);
                entry.children = parseMenu(lines, index, level + 1);
            }
        }
        entries.push_back(entry);
    }
    return entries;
}

}  // namespace

QVector<UiResources::MenuEntry> UiResources::menu(int id)
{
    const QString text = QString::fromUtf8(data(QStringLiteral("MENU"), id));
    const QStringList lines = text.split(QLatin1Char('\n'));
    qsizetype index = 0;
    return parseMenu(lines, index, 0);
}
