#include "components/SkinData.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDynamicPropertyChangeEvent>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStyle>
#include <QWidget>

// Outside any namespace: Q_INIT_RESOURCE declares a global function. The call
// also keeps the resource object from being dropped when linking the static library.
static void initSkinResources()
{
    Q_INIT_RESOURCE(tolvane);
}

namespace {

struct KindEntry
{
    TSkinData::SkinControl kind;
    const char *name;
};

constexpr KindEntry kKinds[] = {
    {TSkinData::xcMainMenu, "mainmenu"},
    {TSkinData::xcPopupMenu, "popupmenu"},
    {TSkinData::xcToolbar, "toolbar"},
    {TSkinData::xcCombo, "combobox"},
    {TSkinData::xcCheckBox, "checkbox"},
    {TSkinData::xcRadioButton, "radiobutton"},
    {TSkinData::xcProgress, "progressbar"},
    {TSkinData::xcScrollbar, "scrollbar"},
    {TSkinData::xcEdit, "edit"},
    {TSkinData::xcButton, "button"},
    {TSkinData::xcSpeedButton, "toolbutton"},
    {TSkinData::xcSpin, "spinbox"},
    {TSkinData::xcPanel, "panel"},
    {TSkinData::xcGroupBox, "groupbox"},
    {TSkinData::xcStatusBar, "statusbar"},
    {TSkinData::xcTab, "tabbar"},
    {TSkinData::xcTrackBar, "trackbar"},
    {TSkinData::xcForm, "window"},
};

constexpr char kSkinProperty[] = "skin";
constexpr char kWindowProperty[] = "skinWindow";
constexpr char kTagProperty[] = "tag";

QString onOff(bool on)
{
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

bool setIfChanged(QWidget *w, const char *name, const QString &value)
{
    if (w->property(name).toString() == value)
        return false;
    w->setProperty(name, value);
    return true;
}

void repolish(QWidget *w)
{
    if (!w->testAttribute(Qt::WA_WState_Polished))
        return; // the Polish event will pick the new value up
    w->style()->unpolish(w);
    w->style()->polish(w);
    w->update();
}

} // namespace

TSkinData::TSkinData(QObject *parent) : QObject(parent)
{
    initSkinResources();
}

void TSkinData::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    if (active)
        apply();
    else
        remove();
    emit activeChanged(active);
}

void TSkinData::setSkinStore(const QString &store)
{
    if (store == m_skinStore)
        return;
    m_skinStore = store;
    if (m_active)
        apply();
}

void TSkinData::setDisableTag(int tag)
{
    if (tag == m_disableTag)
        return;
    m_disableTag = tag;
    if (m_active)
        apply();
}

void TSkinData::setSkinFormtype(SkinFormType type)
{
    if (type == m_formType)
        return;
    if (m_active)
        remove();
    m_formType = type;
    if (m_active)
        apply();
}

void TSkinData::setSkinControls(SkinControls controls)
{
    if (controls == m_controls)
        return;
    m_controls = controls;
    if (m_active)
        apply();
}

QString TSkinData::kindName(SkinControl kind)
{
    for (const KindEntry &entry : kKinds) {
        if (entry.kind == kind)
            return QString::fromLatin1(entry.name);
    }
    return {};
}

QString TSkinData::filterSections(const QString &source, SkinControls controls)
{
    static const QRegularExpression marker(QStringLiteral(R"(^\s*/\*\s*@kind\s+(\w+)\s*\*/\s*$)"));
    QString out;
    bool keep = true; // the preamble before the first section
    for (const QStringView line : QStringView(source).split(u'\n')) {
        const QRegularExpressionMatch m = marker.match(line);
        if (m.hasMatch()) {
            const QString name = m.captured(1);
            keep = true; // a section no switch knows about cannot be turned off
            for (const KindEntry &entry : kKinds) {
                if (name == QLatin1String(entry.name))
                    keep = controls.testFlag(entry.kind);
            }
        }
        if (keep) {
            out += line;
            out += u'\n';
        }
    }
    return out;
}

QString TSkinData::styleSheet() const
{
    // "(Name)" names a built-in skin; anything else is a .qss file path.
    QString path = m_skinStore.trimmed();
    if (path.startsWith(u'(') && path.endsWith(u')'))
        path = QStringLiteral(":/skins/%1.qss").arg(path.mid(1, path.size() - 2));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qWarning("TSkinData: cannot load skin %s", qUtf8Printable(m_skinStore));
        return {};
    }
    return filterSections(QString::fromUtf8(file.readAll()), m_controls);
}

bool TSkinData::wantsSkin(const QWidget *w) const
{
    const auto disabled = [this](const QWidget *x) {
        bool ok = false;
        const int tag = x->property(kTagProperty).toInt(&ok);
        return ok && tag == m_disableTag;
    };
    if (disabled(w))
        return false;
    // The edit inside a spin box or combo box belongs to that control.
    if (qobject_cast<const QLineEdit *>(w)) {
        const QWidget *container = w->parentWidget();
        if (container && (qobject_cast<const QAbstractSpinBox *>(container) ||
                          qobject_cast<const QComboBox *>(container)))
            return !disabled(container);
    }
    return true;
}

bool TSkinData::markWidget(QWidget *w) const
{
    const bool on = wantsSkin(w);
    bool changed = setIfChanged(w, kSkinProperty, onOff(on));
    // Plain QWidget windows have no class of their own to select in the sheet.
    const Qt::WindowType type = w->windowType();
    if (w->isWindow() && (type == Qt::Window || type == Qt::Dialog))
        changed = setIfChanged(w, kWindowProperty, onOff(on)) || changed;
    return changed;
}

void TSkinData::retag(QWidget *w) const
{
    if (markWidget(w))
        repolish(w);
    for (QObject *child : w->children()) {
        if (child->isWidgetType() && markWidget(static_cast<QWidget *>(child)))
            repolish(static_cast<QWidget *>(child));
    }
}

bool TSkinData::eventFilter(QObject *watched, QEvent *event)
{
    // The application sees Polish before QWidget::event hands the widget to the style.
    if (watched->isWidgetType()) {
        if (event->type() == QEvent::Polish) {
            markWidget(static_cast<QWidget *>(watched));
        } else if (event->type() == QEvent::DynamicPropertyChange &&
                   static_cast<QDynamicPropertyChangeEvent *>(event)->propertyName() ==
                       kTagProperty) {
            retag(static_cast<QWidget *>(watched));
        }
    }
    return QObject::eventFilter(watched, event);
}

QWidget *TSkinData::ownerWindow() const
{
    for (QObject *o = parent(); o; o = o->parent()) {
        if (o->isWidgetType())
            return static_cast<QWidget *>(o)->window();
    }
    return nullptr;
}

void TSkinData::apply()
{
    qApp->removeEventFilter(this);
    qApp->installEventFilter(this);
    const auto widgets = QApplication::allWidgets();
    for (QWidget *w : widgets)
        markWidget(w);

    const QString sheet = styleSheet();
    QWidget *owner = ownerWindow();
    if (m_formType == sfOnlyThisForm && owner)
        owner->setStyleSheet(sheet);
    else
        qApp->setStyleSheet(sheet); // also reaches dialogs and message boxes
}

void TSkinData::remove()
{
    qApp->removeEventFilter(this);
    QWidget *owner = ownerWindow();
    if (m_formType == sfOnlyThisForm && owner)
        owner->setStyleSheet(QString());
    else
        qApp->setStyleSheet(QString());
}
