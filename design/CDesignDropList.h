#pragma once
// The list of a bitmap drop-down: one line of white text per item on a solid ground, painted here, shown
// in the drop-down's pop-up frame. A release over an item chooses it; a press outside the frame (which the
// list sees while it holds the mouse) hides the frame.

#include <QColor>
#include <QStringList>
#include <QWidget>

class CDesignDropList : public QWidget {
    Q_OBJECT
public:
    static constexpr QRgb kGround = qRgb(68, 68, 68);      // the bars' dark ground
    static constexpr QRgb kChosenGround = qRgb(74, 167, 100);  // the program's caption green marks the current line
    static constexpr int kTextIndent = 3;

    explicit CDesignDropList(QWidget* parent = nullptr);

    int addString(const QString& text);
    void resetContent();
    int count() const { return static_cast<int>(items_.size()); }
    QString string(int row) const { return items_.value(row); }
    int currentRow() const { return current_; }
    void setCurrentRow(int row);
    // Height of one line: the font's.
    int itemHeight() const;
    // The line under `point` (list coordinates), or -1.
    int rowAt(const QPoint& point) const;
    QRect rowRect(int row) const;

signals:
    void chosen(int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void dismiss();

    QStringList items_;
    int current_ = -1;
    bool pressedInside_ = false;
};
