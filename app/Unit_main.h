#pragma once

#include <QByteArray>
#include <QList>
#include <QWidget>

class CopyPump;
class CopyQueue;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class StatusPanels;
class TAIFileDropPan;
class TIdleTimer;
class TSkinData;

// The main window: destination row, queue list, status bar and the copy pump.
class TForm_main : public QWidget
{
    Q_OBJECT

public:
    explicit TForm_main(QWidget *parent = nullptr);
    ~TForm_main() override;

    // Components, owned by the window (created in this order).
    TSkinData *SkinData1 = nullptr;
    TAIFileDropPan *AIFileDropPan1 = nullptr;
    TAIFileDropPan *AIFileDropPan2 = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QPushButton *Button1 = nullptr;
    QListView *ListBox1 = nullptr;
    StatusPanels *StatusBar1 = nullptr;
    TIdleTimer *IdleTimer1 = nullptr;

    CopyQueue *queue() const { return m_queue; }
    CopyPump *pump() const { return m_pump; }
    int CopiedCount() const;

    // The destination in effect (raw bytes); typed text counts once committed.
    QByteArray destination() const;
    // Shows `folder` in the field and makes it the destination at once.
    void setDestination(const QByteArray &folder);

    void FormCreate(QObject *Sender);
    void AIFileDropPan1DragFile(QObject *Sender, const QList<QByteArray> &FileList);
    void AIFileDropPan2DragFile(QObject *Sender, const QList<QByteArray> &FileList);
    void IdleTimer1Timer(QObject *Sender);
    void Button1Click(QObject *Sender);
    void StatusBar1Click(QObject *Sender);

    // The web page the status bar opens.
    static QString homePage();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildLayout();
    void commitTypedDestination();
    void wakeClock();
    void retrySelected();
    void removeSelected();

    CopyQueue *m_queue = nullptr;
    CopyPump *m_pump = nullptr;
    // The destination as shown in the field, to tell an untouched field from
    // a typed one; the raw bytes may not be valid UTF-8.
    QString m_destinationShown;
};
