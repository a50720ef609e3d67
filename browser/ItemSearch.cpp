#include "browser/ItemSearch.h"

#include "browser/ItemStore.h"
#include "platform/Names.h"

#include <QDateTime>
#include <QFileInfo>

#include <algorithm>
#include <functional>
#include <mutex>
#include <vector>

namespace {

// Walks the candidates of a scope, marks the hits and keeps the hit list. `hit` decides one item.
int markHits(ItemStore& store, int scope, const std::function<bool(const FileItem&)>& hit)
{
    std::lock_guard guard(store);
    std::vector<std::int32_t> candidates;
    if (scope == ScopeMarked) {
        for (const auto& [number, item] : store.items()) {
            if (item->flags & FileItem::kSearchMark)
                candidates.push_back(number);
        }
    } else {
        candidates.assign(store.displayOrder().begin(), store.displayOrder().end());
    }

    auto& hits = store.searchHits();
    auto& work = store.searchWork();
    work.clear();
    for (std::int32_t number : candidates) {
        const FileItem* item = store.find(number);
        if (item && hit(*item))
            work.push_back(number);
    }
    const int found = static_cast<int>(work.size());

    store.setFlags(0, FileItem::kSearchMark);
    if (scope == ScopeWiden) {
        for (std::int32_t number : hits) {
            if (std::find(work.begin(), work.end(), number) == work.end())
                work.push_back(number);
        }
    }
    for (std::int32_t number : work) {
        if (FileItem* item = store.find(number))
            item->flags |= FileItem::kSearchMark;
    }
    hits.swap(work);
    work.clear();
    return found;
}

QDate localDateOf(const QString& path)
{
    const QDateTime modified = QFileInfo(path).fileTime(QFileDevice::FileModificationTime);
    return modified.isValid() ? modified.toLocalTime().date() : QDate();
}

}  // namespace

int searchByName(ItemStore& store, const QString& text, int match, int scope)
{
    const QString folded = text.toCaseFolded();
    return markHits(store, scope, [&](const FileItem& item) {
        switch (match) {
        case MatchContains:
            return item.name.toCaseFolded().contains(folded);
        case MatchNotContains:
            return !item.name.toCaseFolded().contains(folded);
        case MatchEquals:
            return platform::sameNameNoCase(item.name, text);
        default:
            return false;
        }
    });
}

int searchByDate(ItemStore& store, const QString& folder, QDate from, QDate to, int match, int scope)
{
    return markHits(store, scope, [&](const FileItem& item) {
        const QDate date = localDateOf(folder + QLatin1Char('/') + item.name);
        if (!date.isValid())
            return false;
        const bool within = date >= from && date <= to;
        return match == MatchContains ? within : match == MatchNotContains ? !within : false;
    });
}

bool isValidSearchDate(int year, int month, int day)
{
    static constexpr int kDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year <= 0 || month < 1 || month > 12 || day <= 0)
        return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int length = kDaysInMonth[month - 1] + (month == 2 && leap ? 1 : 0);
    return day <= length;
}
