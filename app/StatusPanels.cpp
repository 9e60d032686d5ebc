#include "app/StatusPanels.h"

#include <QLabel>
#include <QMouseEvent>

namespace {
constexpr int FixedPanelWidth = 100;
}

StatusPanels::StatusPanels(QWidget *parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    for (int i = 0; i < PanelCount; ++i) {
        auto *label = new QLabel(this);
        label->setObjectName(QStringLiteral("Panel%1").arg(i));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setTextFormat(Qt::PlainText);
        // Clicks belong to the bar.
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_panels.at(size_t(i)) = label;
    }
    placePanels();
}

QString StatusPanels::panelText(int index) const
{
    return panel(index)->text();
}

void StatusPanels::setPanelText(int index, const QString &text)
{
    QLabel *label = panel(index);
    if (label->text() != text)
        label->setText(text);
}

void StatusPanels::resizeEvent(QResizeEvent *event)
{
    QStatusBar::resizeEvent(event);
    placePanels();
}

void StatusPanels::placePanels()
{
    // Panels are placed by hand: QStatusBar's own layout adds spacing that
    // would move the third panel off its 200-pixel start.
    const int top = 2;
    const int h = height() - top;
    m_panels[0]->setGeometry(0, top, FixedPanelWidth, h);
    m_panels[1]->setGeometry(FixedPanelWidth, top, FixedPanelWidth, h);
    m_panels[2]->setGeometry(2 * FixedPanelWidth, top, qMax(0, width() - 2 * FixedPanelWidth), h);
}

void StatusPanels::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void StatusPanels::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click)
        emit clicked();
}
