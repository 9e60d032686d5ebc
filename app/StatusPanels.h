#pragma once

#include <QStatusBar>

#include <array>

class QLabel;

// A status bar with three fixed panels (100, 100, the rest) that reports a
// click anywhere on it.
class StatusPanels : public QStatusBar
{
    Q_OBJECT

public:
    static constexpr int PanelCount = 3;

    explicit StatusPanels(QWidget *parent = nullptr);

    QString panelText(int index) const;
    void setPanelText(int index, const QString &text);
    QLabel *panel(int index) const { return m_panels.at(size_t(index)); }

signals:
    void clicked();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void placePanels();

    std::array<QLabel *, PanelCount> m_panels{};
    bool m_pressed = false;
};
