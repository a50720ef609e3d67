#pragma once
// Name and date searches over the item store. A search marks its hits (flag 0x80000); the view then shows
// them with the "marked" filter.

#include <QDate>
#include <QString>

class ItemStore;

enum SearchMatch : int {
    MatchContains = 0,     // date search: within from..to
    MatchNotContains = 1,  // date search: outside from..to
    MatchEquals = 2,       // name search only
};

enum SearchScope : int {
    ScopeDisplayed = 0,  // the displayed items; the marks start afresh
    ScopeMarked = 1,     // only the items marked now (narrowing)
    ScopeWiden = 2,      // the displayed items, marked together with the previous hits (widening)
};

// Both return the number of hits of this search. The date search reads each candidate's time from its
// file again and compares local calendar dates, both ends included.
int searchByName(ItemStore& store, const QString& text, int match, int scope);
int searchByDate(ItemStore& store, const QString& folder, QDate from, QDate to, int match, int scope);

// The date dialog's rule: a year above 0, a month of 1..12, a day within the month (leap years by the
// Gregorian rule).
bool isValidSearchDate(int year, int month, int day);
