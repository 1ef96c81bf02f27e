#pragma once
// Menus that mark a ticked item with a check and leave an unticked one plain,
// instead of drawing an empty box beside every item that can be ticked.

#include <QProxyStyle>

class TickOnlyMenuStyle : public QProxyStyle {
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
};
