#pragma once
// The program's widget style: the platform's own style, except for the icon
// of the menu bar's overflow button. The built-in one is a PNG file, and
// reading the first image file makes Qt load every image-format plugin
// installed (each with its own libraries) to ask whether it reads PNG; the
// menu bar asks for that icon when it is created, so the start would wait
// for all of them. Our own picture needs no image decoding at all.
#include <QProxyStyle>

class StartStyle : public QProxyStyle {
public:
    StartStyle() = default;
    QIcon standardIcon(StandardPixmap which, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;
};
