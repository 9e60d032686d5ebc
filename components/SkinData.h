#pragma once

#include <QObject>
#include <QString>

class QWidget;

// The skin component: puts a themed style sheet on the program's windows.
// Widgets whose dynamic property "tag" equals DisableTag keep the plain look.
class TSkinData : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool Active READ isActive WRITE setActive NOTIFY activeChanged)
    Q_PROPERTY(QString SkinStore READ skinStore WRITE setSkinStore)
    Q_PROPERTY(QString Version READ version CONSTANT)
    Q_PROPERTY(int DisableTag READ disableTag WRITE setDisableTag)
    Q_PROPERTY(SkinFormType SkinFormtype READ skinFormtype WRITE setSkinFormtype)
    Q_PROPERTY(SkinControls SkinControls READ skinControls WRITE setSkinControls)
    Q_PROPERTY(bool MenuUpdate READ menuUpdate WRITE setMenuUpdate)
    Q_PROPERTY(bool MenuMerge READ menuMerge WRITE setMenuMerge)
    Q_PROPERTY(SkinOptions Options READ options WRITE setOptions)

public:
    enum SkinFormType
    {
        sfMainform,    // every window of the program
        sfOnlyThisForm // only the window that owns the component
    };
    Q_ENUM(SkinFormType)

    enum SkinControl
    {
        xcMainMenu = 0x00001,
        xcPopupMenu = 0x00002,
        xcToolbar = 0x00004,
        xcCombo = 0x00008,
        xcCheckBox = 0x00010,
        xcRadioButton = 0x00020,
        xcProgress = 0x00040,
        xcScrollbar = 0x00080,
        xcEdit = 0x00100,
        xcButton = 0x00200,
        xcSpeedButton = 0x00400, // tool buttons (bitmap and speed buttons)
        xcSpin = 0x00800,
        xcPanel = 0x01000,
        xcGroupBox = 0x02000,
        xcStatusBar = 0x04000,
        xcTab = 0x08000,
        xcTrackBar = 0x10000,
        xcForm = 0x20000, // window background
        xcAll = 0x3ffff
    };
    Q_DECLARE_FLAGS(SkinControls, SkinControl)
    Q_FLAG(SkinControls)

    // Kept for completeness; they do not change what is drawn.
    enum SkinOption
    {
        soPreview = 0x1,
        soToolbarBackground = 0x2
    };
    Q_DECLARE_FLAGS(SkinOptions, SkinOption)
    Q_FLAG(SkinOptions)

    explicit TSkinData(QObject *parent = nullptr);

    bool isActive() const { return m_active; }
    void setActive(bool active);

    QString skinStore() const { return m_skinStore; }
    void setSkinStore(const QString &store);

    static QString version() { return QStringLiteral("5.40.07.15"); }

    int disableTag() const { return m_disableTag; }
    void setDisableTag(int tag);

    SkinFormType skinFormtype() const { return m_formType; }
    void setSkinFormtype(SkinFormType type);

    SkinControls skinControls() const { return m_controls; }
    void setSkinControls(SkinControls controls);

    bool menuUpdate() const { return m_menuUpdate; }
    void setMenuUpdate(bool on) { m_menuUpdate = on; }
    bool menuMerge() const { return m_menuMerge; }
    void setMenuMerge(bool on) { m_menuMerge = on; }
    SkinOptions options() const { return m_options; }
    void setOptions(SkinOptions options) { m_options = options; }

    // The style sheet the current SkinStore and SkinControls produce.
    QString styleSheet() const;
    // Keeps the preamble and the "/* @kind name */" sections of enabled kinds.
    static QString filterSections(const QString &source, SkinControls controls);
    static QString kindName(SkinControl kind);

signals:
    void activeChanged(bool active);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool wantsSkin(const QWidget *w) const;
    bool markWidget(QWidget *w) const;
    void retag(QWidget *w) const;
    void apply();
    void remove();
    QWidget *ownerWindow() const;

    QString m_skinStore = QStringLiteral("(Good)");
    int m_disableTag = 99;
    SkinFormType m_formType = sfMainform;
    SkinControls m_controls = xcAll;
    SkinOptions m_options = SkinOptions(soPreview | soToolbarBackground);
    bool m_menuUpdate = true;
    bool m_menuMerge = false;
    bool m_active = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TSkinData::SkinControls)
Q_DECLARE_OPERATORS_FOR_FLAGS(TSkinData::SkinOptions)
