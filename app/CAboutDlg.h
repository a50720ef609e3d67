#pragma once
// The about box (dialog 3702): the program icon, its name, version and copyright.

#include <QDialog>

class CAboutDlg : public QDialog {
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
