#pragma once
// The two resource bundles, Uibase.rcc and Uires.rcc, that hold the program's whole user interface:
// the string table, the bitmaps, the menus and the print layout tables, all by number.
//
// Uibase holds what the application framework itself asks for (menus, the icon, the framework's own
// strings); Uires holds the program's own strings, bitmaps and layout tables. Lookups by number try
// Uires first, then Uibase, so a caller never needs to know which bundle holds an entry.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QVector>

class UiResources {
public:
    enum class Bundle { Uibase, Uires };

    // Registers one bundle from `folder` (the program's folder). False when the file is missing or not a
    // resource bundle; the bundle then stays unbound.
    static bool bind(Bundle bundle, const QString& folder);
    static void unbind(Bundle bundle);
    static bool isBound(Bundle bundle);
    static QString fileName(Bundle bundle);  // "Uibase.rcc"

    // Text of string `id`, or an empty string when no bound bundle has it.
    static QString string(int id);
    static bool hasString(int id);

    // Bitmap `id` (a PNG inside the bundle), or a null image.
    static QImage bitmap(int id);

    // Icon `id` (a PNG inside the bundle), or a null image.
    static QImage icon(int id);

    // Raw bytes of resource `name` of type `type` ("LAYOUT_DATA", "MENU", ...), empty when missing.
    static QByteArray data(const QString& type, int id);

    struct MenuEntry {
        QString label;          // "&File" style label; empty for a separator
        int command = 0;        // command number; 0 for separators and pop-ups
        QVector<MenuEntry> children;  // non-empty for a pop-up
        bool isSeparator() const { return label.isEmpty() && children.isEmpty(); }
    };
    // Menu `id` as its top-level entries; empty when missing.
    static QVector<MenuEntry> menu(int id);
};
