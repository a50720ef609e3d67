#pragma once
// The progress window of the file operations: a title, the file in work, a bar and a cancel button.

#include "fileops/Progress.h"

#include <memory>

class QProgressDialog;
class QWidget;

namespace fileops {

class ProgressDialog : public Progress {
public:
    explicit ProgressDialog(QWidget* owner = nullptr);
    ~ProgressDialog() override;

    void open(const QString& text) override;
    void setItem(const QString& name) override;
    void setProgress(qint64 done, qint64 total) override;
    bool cancelRequested() override;
    void close() override;

private:
    QWidget* owner_;
    QString text_;
    std::unique_ptr<QProgressDialog> dialog_;
};

} // namespace fileops
