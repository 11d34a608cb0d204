#include "ui/PageHeading.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>

namespace corvalet {

TPageHeading::TPageHeading(const QString& text, QWidget* parent) : QWidget(parent), Text(new QLabel(text)) {
    auto* rule = new QFrame;
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Text);
    layout->addWidget(rule, 1);
    setFocusPolicy(Qt::NoFocus);
}

} // namespace corvalet
