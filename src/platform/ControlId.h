#pragma once

// Controls carry their window's control id as the property "controlId", so
// that code, skins and tests find them by id. Widgets only (header only).

#include <QVariant>
#include <QWidget>

namespace qv {

template <typename W> W* Tag(W* widget, int id) {
    widget->setProperty("controlId", id);
    return widget;
}

// The child of a window with that id; null for none (and for id 0).
inline QWidget* FindControl(const QWidget* window, int id) {
    if (!window || id == 0)
        return nullptr;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (w->property("controlId").toInt() == id)
            return w;
    return nullptr;
}

} // namespace qv
