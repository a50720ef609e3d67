#pragma once
// The index sheet's print preview: the pages as they will print (with the view's thumbnails standing in
// for the full pictures), page and zoom controls, and a print control that hands printing back to the
// main frame, which prints the sheet in full quality.

#include <QDialog>

#include <functional>

class QPrinter;
class QPrintPreviewWidget;
class QToolBar;
class QAction;

class CPrintPreviewWnd : public QDialog {
public:
    using PagePainter = std::function<void(QPrinter* printer)>;
    CPrintPreviewWnd(QPrinter* printer, PagePainter paint, QWidget* parent = nullptr);

    QPrintPreviewWidget* previewWidget() const { return preview_; }
    int pageCount() const;
    // Set when the user chose to print from the preview.
    bool printRequested() const { return printRequested_; }
    QAction* printAction() const { return print_; }

private:
    QPrintPreviewWidget* preview_;
    QAction* print_;
    bool printRequested_ = false;
};
