#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QAbstractItemView;
#include <QLabel>

// A line in the middle of a list that has no rows, saying what to do; gone
// as soon as the list has a row. Owned by the view.
class EmptyListHint : public QObject {
    Q_OBJECT
public:
    EmptyListHint(QAbstractItemView* view, const QString& text);

    QLabel* label() const { return hint.data(); }
    // Follows the view's model of now; call again when the view gets another.
    void followModel();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void update();

    QAbstractItemView* view;
    // The label goes with the viewport, which a view destroys before its
    // model's last signals.
    QPointer<QLabel> hint;
};
