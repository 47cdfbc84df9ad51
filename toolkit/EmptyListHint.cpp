#include "toolkit/EmptyListHint.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QLabel>

EmptyListHint::EmptyListHint(QAbstractItemView* view, const QString& text)
    : QObject(view), view(view), hint(new QLabel(text, view->viewport())) {
    hint->setObjectName(QStringLiteral("emptyHint"));
    hint->setAlignment(Qt::AlignCenter);
    hint->setWordWrap(true);
    hint->setEnabled(false); // drawn in the style's muted colour
    hint->setAttribute(Qt::WA_TransparentForMouseEvents);
    view->viewport()->installEventFilter(this);
    followModel();
}

void EmptyListHint::followModel() {
    if (QAbstractItemModel* model = view->model()) {
        connect(model, &QAbstractItemModel::rowsInserted, this, &EmptyListHint::update,
                Qt::UniqueConnection);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &EmptyListHint::update,
                Qt::UniqueConnection);
        connect(model, &QAbstractItemModel::modelReset, this, &EmptyListHint::update,
                Qt::UniqueConnection);
    }
    update();
}

void EmptyListHint::update() {
    if (!hint)
        return;
    const QAbstractItemModel* model = view->model();
    hint->setVisible(!model || model->rowCount() == 0);
    hint->setGeometry(hint->parentWidget()->rect().adjusted(16, 16, -16, -16));
}

bool EmptyListHint::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && hint && watched == hint->parentWidget())
        hint->setGeometry(hint->parentWidget()->rect().adjusted(16, 16, -16, -16));
    return QObject::eventFilter(watched, event);
}
