#include "forms/frmslicer.h"
#include "ui_frmslicer.h"

#include "common/gui/windowgeometry.h"
#include "forms/formgeometry.h"
#include "common/ini.h"
#include "common/opendialogpaths.h"
#include "engine/settingstable.h"
#include "forms/userprompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFile>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>

#include <cmath>

namespace
{

const char *const keyProperty = "settingKey";
const char *const presetFilter = "Tessaline slicer preset(*.tssp)";
const char *const presetFolderKind = "slicer preset";
const int groupColumns = 3;
const int timerIntervalMs = 200;

// Labels that say more than the key's words; the others are the key split into words.
const QHash<QString, QString> &labelOverrides()
{
    static const QHash<QString, QString> labels = {
        {"ZAdjust", "Z adjust"},
        {"HShellCnt", "Shell count"},
        {"VShellCnt", "Loop count"},
        {"VShellOffset", "Shell offset"},
        {"RepairCorners", "Repair Corners"},
        {"PolyFillerAlg", "Fill rule"},
        {"HShellType", "Pattern"},
        {"HShellDensity", "Density"},
        {"HShellMinLineLen", "Min line length"},
        {"HShellAngle", "Angle"},
        {"HShellAngleInc", "Angle increment"},
        {"InfillDensity", "Density"},
        {"InfillType", "Pattern"},
        {"InfillThickness", "Strands"},
        {"InfillAngle", "Angle"},
        {"InfillAngleInc", "Angle increment"},
        {"LoopFillOverlap", "Fill Overlap"},
        {"SkirtOffset", "Offset"},
        {"SkirtMinCount", "Min loops"},
        {"SkirtMinLength", "Min length"},
        {"BrimCount", "Loops"},
        {"RaftOffset", "Offset"},
        {"RaftConfig", "Raft table"},
        {"ExtruderSpeedRatio", "Extruder speed ratio"},
        {"FirstLayerExtruderSpeedRatio", "1st Layer extr spd ratio"},
        {"FirstLayerDrawSpeed", "1st Layer draw speed"},
        {"FirstLayerHeight", "1st Layer height"},
        {"TravelMinDist", "Far travel from"},
        {"TravelHeight", "Elevation"},
        {"TravelRetract", "Retract"},
        {"TravelPrime", "Prime"},
        {"InitialLayerCnt", "Ramp-up layers"},
        {"InitialLayerSpeed", "1st Layer speed"},
        {"LayerStartPos", "Start every layer at"},
        {"OuterHair", "Hair detection: outer"},
        {"InnerHair", "Hair detection: inner"},
        {"HeadTempEnabled", "Set head temperature"},
        {"HeadTemp", "Head temperature"},
        {"BedTempEnabled", "Set bed temperature"},
        {"BedTemp", "Bed temperature"},
        {"FanEnable", "Fan enabled"},
        {"FanFirstLayer", "Fan on layer 1"},
        {"FanSecondLayer", "Fan on layer 2"},
        {"FanNthLayer", "Fan from layer N"},
        {"FanN", "Layer N"},
        {"GCodeHeader", "Start G-code"},
        {"GCodeFooter", "End G-code"},
    };
    return labels;
}

QString keyLabel(const QString &key)
{
    const auto found = labelOverrides().find(key);
    if (found != labelOverrides().end())
        return *found;
    // Factors are listed under their array's group: the segment type names them.
    const int underscore = key.indexOf('_');
    if (underscore >= 0)
        return key.mid(underscore + 1);
    QString label;
    for (int i = 0; i < key.size(); ++i) {
        const QChar c = key[i];
        if (i > 0 && c.isUpper() && !key[i - 1].isUpper())
            label += ' ';
        label += i > 0 ? c.toLower() : c;
    }
    return label;
}

// The check-able group box that stands for the group's on/off key, null for groups without one.
const char *groupSwitchKey(SettingGroup group)
{
    switch (group) {
    case SettingGroup::Skirt:
        return "SkirtEnable";
    case SettingGroup::Brim:
        return "BrimEnable";
    case SettingGroup::Raft:
        return "RaftEnable";
    default:
        return nullptr;
    }
}

QString suffixOf(const SettingKey &key)
{
    if (key.percent)
        return " %";
    const QString unit = QString::fromUtf8(key.unit);
    return unit.isEmpty() ? QString() : " " + unit;
}

QString keyOf(const QObject *object)
{
    for (; object; object = object->parent()) {
        const QVariant key = object->property(keyProperty);
        if (key.isValid())
            return key.toString();
        if (object->isWindowType() || qobject_cast<const QDialog *>(object))
            break;
    }
    return QString();
}

} // namespace

FrmSlicer::FrmSlicer(SlicerParams &params, const std::unique_ptr<UserPrompts> &prompts, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmSlicer>()), m_params(params), m_prompts(prompts)
{
    ui->setupUi(this);
    buildSettingWidgets();
    QFile page(":/res/hints.htm");
    if (page.open(QIODevice::ReadOnly))
        m_hints.parse(QString::fromUtf8(page.readAll()));
    ui->mHints->setHtml(QString::fromLatin1(SettingHints::noHint));
    watchForHints(this);

    m_presets.loadFromIni(Ini::global());
    showPresetNames(QString());
    showParams(m_params);
    restoreFormGeometry(this);
    connect(&m_timer, &QTimer::timeout, this, &FrmSlicer::on_timer);
    on_timer();
}

FrmSlicer::~FrmSlicer() = default;

void FrmSlicer::buildSettingWidgets()
{
    auto *grid = new QGridLayout(ui->wSettings);
    QFormLayout *forms[settingGroupCount] = {};
    QGroupBox *boxes[settingGroupCount] = {};
    for (int g = 0; g < settingGroupCount; ++g) {
        const auto group = SettingGroup(g);
        const char *switchKey = groupSwitchKey(group);
        auto *box = new QGroupBox(settingGroupName(group), ui->wSettings);
        box->setObjectName(switchKey ? "gb" + QString::fromLatin1(switchKey)
                                     : "gb" + settingGroupName(group).remove(' ').remove('-'));
        box->setCheckable(switchKey != nullptr);
        forms[g] = new QFormLayout(box);
        boxes[g] = box;
        grid->addWidget(box, g / groupColumns, g % groupColumns, Qt::AlignTop);
    }
    grid->setRowStretch(settingGroupCount / groupColumns + 1, 1);

    for (const SettingKey &key : settingsTable()) {
        const int g = int(key.group);
        const char *switchKey = groupSwitchKey(key.group);
        const QString name = QString::fromLatin1(key.key);
        if (switchKey && name == QLatin1String(switchKey)) {
            boxes[g]->setProperty(keyProperty, name);
            m_keyWidgets.insert(name, boxes[g]);
            continue;
        }
        // A click anywhere in a group explains its first key.
        if (!boxes[g]->property(keyProperty).isValid())
            boxes[g]->setProperty(keyProperty, name);
        QWidget *widget = createKeyWidget(key, boxes[g]);
        widget->setProperty(keyProperty, name);
        m_keyWidgets.insert(name, widget);
        if (key.type() == SettingType::Bool) {
            forms[g]->addRow(widget);
            continue;
        }
        auto *label = new QLabel(keyLabel(name), boxes[g]);
        label->setProperty(keyProperty, name);
        forms[g]->addRow(label, widget);
        if (name == QLatin1String("RaftConfig")) {
            auto *example = new QPushButton("Load Example Table", boxes[g]);
            example->setObjectName("bLoadExampleRaftTable");
            example->setProperty(keyProperty, name);
            connect(example, &QPushButton::clicked, this, &FrmSlicer::on_bLoadExampleRaftTable_clicked);
            forms[g]->addRow(example);
        }
    }
    // The groups scroll only vertically: the area is as wide as its widest row of groups.
    ui->saSettings->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ui->saSettings->setMinimumWidth(ui->wSettings->sizeHint().width() +
                                    ui->saSettings->verticalScrollBar()->sizeHint().width() +
                                    2 * ui->saSettings->frameWidth());
    // Built after the designer's widgets were connected by name, so these are connected here.
    connect(boxes[int(SettingGroup::Skirt)], &QGroupBox::clicked, this, &FrmSlicer::on_gbSkirtEnable_clicked);
    connect(boxes[int(SettingGroup::Brim)], &QGroupBox::clicked, this, &FrmSlicer::on_gbBrimEnable_clicked);
    connect(boxes[int(SettingGroup::Raft)], &QGroupBox::clicked, this, &FrmSlicer::on_gbRaftEnable_clicked);
}

QWidget *FrmSlicer::createKeyWidget(const SettingKey &key, QWidget *parent)
{
    const QString name = QString::fromLatin1(key.key);
    switch (key.type()) {
    case SettingType::Bool: {
        auto *check = new QCheckBox(keyLabel(name), parent);
        check->setObjectName("ch" + name);
        return check;
    }
    case SettingType::Text: {
        auto *text = new QPlainTextEdit(parent);
        text->setObjectName("m" + name);
        text->setLineWrapMode(QPlainTextEdit::NoWrap);
        text->setMinimumHeight(90);
        text->setFont(QFont("Monospace", 8));
        return text;
    }
    case SettingType::Int:
        if (key.choices) {
            auto *combo = new QComboBox(parent);
            combo->setObjectName("cb" + name);
            combo->addItems(key.choiceNames());
            return combo;
        } else {
            auto *spin = new QSpinBox(parent);
            spin->setObjectName("se" + name);
            spin->setRange(int(key.range.min), int(key.range.max));
            spin->setSingleStep(qMax(1, int(key.range.step)));
            spin->setSuffix(suffixOf(key));
            return spin;
        }
    case SettingType::Float:
        break;
    }
    auto *spin = new QDoubleSpinBox(parent);
    spin->setObjectName("se" + name);
    spin->setDecimals(key.range.decimals);
    spin->setRange(key.range.min, key.range.max);
    spin->setSingleStep(key.range.step);
    spin->setSuffix(suffixOf(key));
    return spin;
}

void FrmSlicer::takeParams(SlicerParams &params) const
{
    for (const SettingKey &key : settingsTable()) {
        const QWidget *widget = m_keyWidgets.value(QString::fromLatin1(key.key));
        if (const auto *box = qobject_cast<const QGroupBox *>(widget))
            key.setNumber(params, box->isChecked() ? 1.0 : 0.0);
        else if (const auto *check = qobject_cast<const QCheckBox *>(widget))
            key.setNumber(params, check->isChecked() ? 1.0 : 0.0);
        else if (const auto *text = qobject_cast<const QPlainTextEdit *>(widget))
            key.setText(params, text->toPlainText().toUtf8());
        else if (const auto *combo = qobject_cast<const QComboBox *>(widget))
            key.setNumber(params, combo->currentIndex());
        else if (const auto *spin = qobject_cast<const QSpinBox *>(widget))
            key.setNumber(params, spin->value());
        else if (const auto *real = qobject_cast<const QDoubleSpinBox *>(widget))
            key.setNumber(params, key.percent ? real->value() * 0.01 : real->value());
    }
}

void FrmSlicer::showParams(const SlicerParams &params)
{
    for (const SettingKey &key : settingsTable()) {
        QWidget *widget = m_keyWidgets.value(QString::fromLatin1(key.key));
        const double value = key.number(params);
        if (auto *box = qobject_cast<QGroupBox *>(widget))
            box->setChecked(value != 0.0);
        else if (auto *check = qobject_cast<QCheckBox *>(widget))
            check->setChecked(value != 0.0);
        else if (auto *text = qobject_cast<QPlainTextEdit *>(widget))
            text->setPlainText(QString::fromUtf8(key.text(params)));
        else if (auto *combo = qobject_cast<QComboBox *>(widget))
            combo->setCurrentIndex(qBound(0, int(value), combo->count() - 1));
        else if (auto *spin = qobject_cast<QSpinBox *>(widget))
            spin->setValue(int(value));
        else if (auto *real = qobject_cast<QDoubleSpinBox *>(widget))
            // Widened from float: rounding to the widget's decimals gives back the value it was typed as.
            real->setValue(key.percent ? value * 100.0 : value);
    }
}

void FrmSlicer::useParams(const SlicerParams &params)
{
    showParams(params);
    takeParams(m_params);
}

QString FrmSlicer::hintShown() const
{
    return ui->mHints->toHtml();
}

bool FrmSlicer::takeSwitchRequest()
{
    const bool requested = m_switchRequested;
    m_switchRequested = false;
    return requested;
}

void FrmSlicer::watchForHints(QWidget *root)
{
    root->installEventFilter(this);
    for (QWidget *child : root->findChildren<QWidget *>())
        child->installEventFilter(this);
}

bool FrmSlicer::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        // A press that the widget under the mouse ignores travels up to its parents: the first one
        // names the control that was clicked.
        const ulong time = static_cast<QMouseEvent *>(event)->timestamp();
        if (time != m_lastHintPress || !m_hintPressSeen) {
            m_lastHintPress = time;
            m_hintPressSeen = true;
            showHintOf(watched);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FrmSlicer::showHintOf(QObject *clicked)
{
    const QString key = keyOf(clicked);
    const QString hint = key.isEmpty() ? QString::fromLatin1(SettingHints::noHint) : m_hints.hint(key);
    if (ui->mHints->property(keyProperty).toString() == key && !key.isEmpty())
        return;
    ui->mHints->setProperty(keyProperty, key);
    ui->mHints->setHtml(hint);
}

void FrmSlicer::showEvent(QShowEvent *event)
{
    showParams(m_params);
    m_timer.start(timerIntervalMs);
    QDialog::showEvent(event);
}

void FrmSlicer::hideEvent(QHideEvent *event)
{
    m_timer.stop();
    Ini &ini = Ini::global();
    ::storeGeometry(this, ini);
    QDialog::hideEvent(event);
}

void FrmSlicer::showPresetNames(const QString &current)
{
    const QSignalBlocker blocker(ui->cbPreset);
    ui->cbPreset->clear();
    ui->cbPreset->addItems(m_presets.presetNames());
    ui->cbPreset->setCurrentIndex(ui->cbPreset->findText(current));
    ui->cbPreset->setEditText(current);
}

void FrmSlicer::on_timer()
{
    const QString name = ui->cbPreset->currentText();
    const bool known = m_presets.presetNames().contains(name);
    // The store refuses an empty name, so it is never offered.
    ui->bSavePreset->setEnabled(!name.trimmed().isEmpty());
    ui->bLoadPreset->setEnabled(known);
    ui->bDeletePreset->setEnabled(known);
}

void FrmSlicer::on_cbPreset_currentTextChanged(const QString &)
{
    on_timer();
}

void FrmSlicer::on_bLoadDefaults_clicked()
{
    showParams(SlicerParams());
}

void FrmSlicer::on_bSavePreset_clicked()
{
    const QString name = ui->cbPreset->currentText().trimmed();
    if (name.isEmpty())
        return;
    SlicerParams params;
    takeParams(params);
    m_presets.StorePreset(name, params);
    m_presets.storeToIni(Ini::global());
    showPresetNames(name);
    on_timer();
}

void FrmSlicer::on_bDeletePreset_clicked()
{
    if (!m_presets.DeletePreset(ui->cbPreset->currentText()))
        return;
    m_presets.storeToIni(Ini::global());
    showPresetNames(QString());
    on_timer();
}

void FrmSlicer::on_bLoadPreset_clicked()
{
    SlicerParams params;
    if (m_presets.LoadPreset(ui->cbPreset->currentText(), params))
        showParams(params);
}

void FrmSlicer::on_bBasicSettings_clicked()
{
    m_switchRequested = true;
    reject();
}

// The group boxes carry their keys themselves; the clicks only show the group's hint.
void FrmSlicer::on_gbSkirtEnable_clicked(bool)
{
    showHintOf(m_keyWidgets.value("SkirtEnable"));
}

void FrmSlicer::on_gbBrimEnable_clicked(bool)
{
    showHintOf(m_keyWidgets.value("BrimEnable"));
}

void FrmSlicer::on_gbRaftEnable_clicked(bool)
{
    showHintOf(m_keyWidgets.value("RaftEnable"));
}

void FrmSlicer::on_bLoadExampleRaftTable_clicked()
{
    if (auto *table = qobject_cast<QPlainTextEdit *>(m_keyWidgets.value("RaftConfig")))
        table->setPlainText(QString::fromUtf8(SlicerParams::defaultRaftTable));
}

void FrmSlicer::on_bImportPreset_clicked()
{
    const QString path =
        m_prompts->openFileName(this, "Import preset", openDialogPaths().path(presetFolderKind), presetFilter);
    if (path.isEmpty())
        return;
    openDialogPaths().remember(presetFolderKind, path);
    showParams(importPresetFile(path));
}

void FrmSlicer::openPreset(const QString &path)
{
    showParams(importPresetFile(path));
}

void FrmSlicer::on_bExportPreset_clicked()
{
    const QString path =
        m_prompts->saveFileName(this, "Export preset", openDialogPaths().path(presetFolderKind), presetFilter);
    if (path.isEmpty())
        return;
    openDialogPaths().remember(presetFolderKind, path);
    SlicerParams params;
    takeParams(params);
    exportPresetFile(path, params);
}

void FrmSlicer::on_bSlice_clicked()
{
    takeParams(m_params);
    Ini &ini = Ini::global();
    m_params.storeToIni(ini);
    ini.store();
    hide();
    if (!m_slice)
        return;
    m_slice([](int, const QByteArray &) { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
}
