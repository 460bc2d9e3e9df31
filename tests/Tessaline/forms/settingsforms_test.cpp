#include "cli/gcodestats.h"
#include "common/ini.h"
#include "common/platform/paths.h"
#include "engine/settingstable.h"
#include "engine/slicerpresets.h"
#include "exceptioncatcher.h"
#include "forms/frmmain.h"
#include "forms/frmoptions.h"
#include "forms/frmslicer.h"
#include "forms/frmslicersimple.h"
#include "forms/scenesession.h"
#include "forms/settinghints.h"
#include "geometry/faces.h"
#include "scriptedprompts.h"
#include "testenvironment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cmath>

namespace
{

// Every key of the table moved off its default to another value the form can show: numbers by one to
// three steps (neighbouring keys by different amounts, so that two swapped widgets cannot agree), the
// next value name, the other check state, texts with a line and a non-ASCII letter added.
SlicerParams movedParams()
{
    SlicerParams params;
    int index = 0;
    for (const SettingKey &key : settingsTable()) {
        const int steps = 1 + index++ % 3;
        switch (key.type()) {
        case SettingType::Bool:
            key.setNumber(params, key.defaultNumber != 0.0 ? 0.0 : 1.0);
            break;
        case SettingType::Text:
            key.setText(params, key.text(params) + "M117 gr\xc3\xbc\xc3\x9f " + QByteArray::number(index) + "\n");
            break;
        default: {
            if (key.choices) {
                key.setNumber(params, (int(key.defaultNumber) + steps) % key.choiceNames().size());
                break;
            }
            const double scale = key.percent ? 0.01 : 1.0;
            double value = key.defaultNumber + steps * key.range.step * scale;
            if (value > key.highest())
                value = key.defaultNumber - steps * key.range.step * scale;
            key.setNumber(params, value);
        }
        }
    }
    return params;
}

std::unique_ptr<UserPrompts> scriptedPrompts(ScriptedPrompts **script)
{
    auto prompts = std::make_unique<ScriptedPrompts>();
    *script = prompts.get();
    return prompts;
}

QStringList differingKeys(const SlicerParams &a, const SlicerParams &b)
{
    QStringList keys;
    for (const SettingKey &key : settingsTable())
        if (!key.sameValue(a, b))
            keys << key.key;
    return keys;
}

QString writeBox(const QString &name, float size)
{
    Faces box;
    box.makeBox(Box3f{V3f(0, 0, 0), V3f(size, size, size)});
    const QString path = testHomeDir() + "/" + name;
    box.exportFata(path, true);
    return path;
}

const QStringList widgetNames = {
    "seBuildWidth", "seBuildDepth",    "seBuildHeight", "cbXDirection",     "cbXOrigin", "cbYDirection",
    "cbYOrigin",    "eFilamentPrices", "seMaxCores",    "cbThreadPriority", "rbHigh",    "rbMedium",
    "rbLow",        "rbPLA",           "rbABS",         "chGenerateSupport"};

class SettingsForms : public testing::Test
{
protected:
    void SetUp() override
    {
        Ini &ini = Ini::global();
        ini.reload();
        // Every test starts from the defaults of the forms and no presets.
        for (const QString &form : {"FrmOptions", "FrmSlicerSimple"})
            for (const QString &widget : widgetNames)
                ini.remove(form + "." + widget);
        ini.remove("Presets");
        ini.remove("slicerParams");
        ini.remove("frmSlicerIsSimple");
        ini.setString("lastProject", QString());
        ini.setInt("askForCheckUpdates", 0);
        ini.store();
        QFile::remove(platform::dataDir() + "_lastUnsavedProject.tsprj");
        prompts = scriptedPrompts(&script);
    }

    std::unique_ptr<FrmSlicer> expertForm() { return std::make_unique<FrmSlicer>(params, prompts); }

    SlicerParams params;
    std::unique_ptr<UserPrompts> prompts;
    ScriptedPrompts *script = nullptr;
};

} // namespace

TEST_F(SettingsForms, ShowingAndTakingASetAreInversesOverTheWholeTable)
{
    auto form = expertForm();
    const SlicerParams moved = movedParams();
    ASSERT_EQ(differingKeys(moved, SlicerParams()).size(), int(settingsTable().size()));

    form->showParams(moved);
    SlicerParams taken;
    form->takeParams(taken);
    EXPECT_EQ(differingKeys(taken, moved), QStringList());

    // And back: the defaults shown again replace every moved value.
    form->showParams(SlicerParams());
    form->takeParams(taken);
    EXPECT_EQ(differingKeys(taken, SlicerParams()), QStringList());

    // The widgets named for the keys edit those keys.
    const struct {
        const char *widget;
        const char *key;
    } named[] = {
        {"seExtruderSpeedRatio", "ExtruderSpeedRatio"},
        {"seFirstLayerExtruderSpeedRatio", "FirstLayerExtruderSpeedRatio"},
        {"gbSkirtEnable", "SkirtEnable"},
        {"gbBrimEnable", "BrimEnable"},
        {"gbRaftEnable", "RaftEnable"},
        {"seLayerHeight", "LayerHeight"},
        {"cbInfillType", "InfillType"},
        {"chRepairCorners", "RepairCorners"},
        {"mGCodeHeader", "GCodeHeader"},
        {"seHShellDensity", "HShellDensity"},
    };
    for (const auto &n : named)
        EXPECT_EQ(form->findChild<QWidget *>(n.widget), form->keyWidget(n.key)) << n.widget;
}

// Values the form cannot show are brought into its range, and percent keys are shown in percent.
TEST_F(SettingsForms, TheFormShowsPercentKeysInPercentAndClampsToItsRanges)
{
    auto form = expertForm();
    SlicerParams outside;
    outside.LayerHeight = 7.0f;
    outside.InfillDensity = 0.25f;
    outside.ExtruderSpeedRatio = 105.0f;
    outside.HShellCnt = -4;
    form->showParams(outside);
    EXPECT_DOUBLE_EQ(form->findChild<QDoubleSpinBox *>("seInfillDensity")->value(), 25.0);
    EXPECT_DOUBLE_EQ(form->findChild<QDoubleSpinBox *>("seExtruderSpeedRatio")->value(), 105.0);
    SlicerParams taken;
    form->takeParams(taken);
    EXPECT_FLOAT_EQ(taken.LayerHeight, 3.0f);
    EXPECT_EQ(taken.HShellCnt, 1);
    EXPECT_FLOAT_EQ(taken.InfillDensity, 0.25f);
}

TEST_F(SettingsForms, PresetsStoreLoadDeleteAndTravelThroughFiles)
{
    const SlicerParams moved = movedParams();
    {
        auto form = expertForm();
        auto *name = form->findChild<QComboBox *>("cbPreset");
        auto *store = form->findChild<QPushButton *>("bSavePreset");
        name->setEditText("  ");
        form->on_timer();
        EXPECT_FALSE(store->isEnabled()) << "an empty name is not offered";
        form->showParams(moved);
        name->setEditText("Fine PLA");
        form->on_timer();
        QTest::mouseClick(store, Qt::LeftButton);
    }
    // A new form (as at the next start) lists the preset from the settings store and loads it.
    Ini::global().reload();
    auto form = expertForm();
    auto *name = form->findChild<QComboBox *>("cbPreset");
    ASSERT_EQ(name->findText("Fine PLA"), 0);
    QTest::mouseClick(form->findChild<QPushButton *>("bLoadDefaults"), Qt::LeftButton);
    name->setCurrentIndex(0);
    form->on_timer();
    QTest::mouseClick(form->findChild<QPushButton *>("bLoadPreset"), Qt::LeftButton);
    SlicerParams taken;
    form->takeParams(taken);
    EXPECT_EQ(differingKeys(taken, moved), QStringList());

    // Export writes the bare settings JSON of the form; import reads it back.
    script->savePath = testHomeDir() + "/fine.tssp";
    QTest::mouseClick(form->findChild<QPushButton *>("bExportPreset"), Qt::LeftButton);
    QFile exported(script->savePath);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    EXPECT_EQ(exported.readAll(), moved.toJson());
    QTest::mouseClick(form->findChild<QPushButton *>("bLoadDefaults"), Qt::LeftButton);
    script->openPaths = QStringList{script->savePath};
    QTest::mouseClick(form->findChild<QPushButton *>("bImportPreset"), Qt::LeftButton);
    form->takeParams(taken);
    EXPECT_EQ(differingKeys(taken, moved), QStringList());
    EXPECT_EQ(script->asked, (QStringList{"Export preset", "Import preset"}));

    // A file holding one key imports that key over the defaults.
    QFile partial(testHomeDir() + "/partial.tssp");
    ASSERT_TRUE(partial.open(QIODevice::WriteOnly));
    partial.write("{\"LayerHeight\": 0.3}");
    partial.close();
    script->openPaths = QStringList{partial.fileName()};
    QTest::mouseClick(form->findChild<QPushButton *>("bImportPreset"), Qt::LeftButton);
    form->takeParams(taken);
    EXPECT_EQ(differingKeys(taken, SlicerParams()), QStringList{"LayerHeight"});
    EXPECT_FLOAT_EQ(taken.LayerHeight, 0.3f);

    name->setEditText("Fine PLA");
    QTest::mouseClick(form->findChild<QPushButton *>("bDeletePreset"), Qt::LeftButton);
    EXPECT_EQ(name->count(), 0);
    SlicerPresets stored;
    stored.loadFromIni(Ini::global());
    EXPECT_EQ(stored.presetNames(), QStringList());
}

TEST_F(SettingsForms, TheExampleRaftTableIsTheDefaultTable)
{
    auto form = expertForm();
    SlicerParams emptyTable;
    emptyTable.RaftConfig.clear();
    form->showParams(emptyTable);
    form->on_bLoadExampleRaftTable_clicked();
    SlicerParams taken;
    form->takeParams(taken);
    EXPECT_EQ(taken.RaftConfig, SlicerParams::defaultRaftConfig());
}

TEST_F(SettingsForms, EveryKeyHasAHintAndClicksShowIt)
{
    auto form = expertForm();
    for (const SettingKey &key : settingsTable())
        EXPECT_TRUE(form->hints().has(key.key)) << key.key;
    for (const QString &key : form->hints().keys())
        EXPECT_NE(findSetting(key), nullptr) << "hint for an unknown key " << key.toStdString();

    form->show();
    QTest::mouseClick(form->findChild<QDoubleSpinBox *>("seLayerHeight"), Qt::LeftButton);
    EXPECT_TRUE(form->hintShown().contains("Layer height")) << form->hintShown().toStdString();
    QTest::mouseClick(form->findChild<QCheckBox *>("chOuterHair"), Qt::LeftButton);
    EXPECT_TRUE(form->hintShown().contains("Hair detection"));
    QTest::mouseClick(form->findChild<QComboBox *>("cbPreset"), Qt::LeftButton);
    EXPECT_TRUE(
        form->hintShown().contains("No hint available. (Most control elements have hints, just click on them!)"));
}

TEST_F(SettingsForms, EasyFormLowAbsChangesOnlyHeightsAndTemperatures)
{
    auto expert = expertForm();
    SceneSession session(nullptr);
    FrmSlicerSimple easy(*expert, session);
    easy.findChild<QRadioButton *>("rbLow")->setChecked(true);
    easy.findChild<QRadioButton *>("rbABS")->setChecked(true);
    const SlicerParams chosen = easy.chosenParams();
    EXPECT_EQ(differingKeys(chosen, SlicerParams()),
              (QStringList{"LayerHeight", "FirstLayerHeight", "HeadTemp", "BedTemp"}));
    EXPECT_FLOAT_EQ(chosen.LayerHeight, 0.3f);
    EXPECT_FLOAT_EQ(chosen.FirstLayerHeight, 0.3f);
    EXPECT_EQ(chosen.HeadTemp, 230);
    EXPECT_EQ(chosen.BedTemp, 110);
    EXPECT_EQ(easy.material(), "ABS");
}

TEST_F(SettingsForms, OriginShortcutsAndCombosGiveTheMachineRecord)
{
    auto options = std::make_unique<FrmOptions>();
    options->findChild<QSpinBox *>("seBuildWidth")->setValue(300);
    options->findChild<QSpinBox *>("seBuildDepth")->setValue(250);
    options->findChild<QSpinBox *>("seBuildHeight")->setValue(180);
    auto *frontLeft = options->findChild<QPushButton *>("bOriginFrontLeft");
    auto *center = options->findChild<QPushButton *>("bOriginCenter");
    auto expectRecord = [](const FrmOptions &dialog, const MachineRecord &expected, const char *what) {
        const MachineRecord r = dialog.machineRecord();
        EXPECT_EQ(std::make_tuple(r.buildWidth, r.buildHeight, r.buildDepth, r.originX, r.originZ, r.signX, r.signZ),
                  std::make_tuple(expected.buildWidth, expected.buildHeight, expected.buildDepth, expected.originX,
                                  expected.originZ, expected.signX, expected.signZ))
            << what;
    };

    QTest::mouseClick(center, Qt::LeftButton);
    expectRecord(*options, centerMachineRecord(300, 250, 180), "center");
    EXPECT_FLOAT_EQ(options->machineRecord().originX, 150.0f);
    EXPECT_FLOAT_EQ(options->machineRecord().originZ, 125.0f);
    EXPECT_EQ(options->originCode(), 257);
    EXPECT_TRUE(center->isChecked());
    EXPECT_FALSE(frontLeft->isChecked());

    options->findChild<QComboBox *>("cbYOrigin")->setCurrentIndex(2);
    EXPECT_FALSE(center->isChecked()) << "a changed combo releases the shortcut";
    EXPECT_FALSE(frontLeft->isChecked());

    QTest::mouseClick(frontLeft, Qt::LeftButton);
    expectRecord(*options, frontLeftMachineRecord(300, 250, 180), "front left");
    EXPECT_FLOAT_EQ(options->machineRecord().originX, 0.0f);
    EXPECT_FLOAT_EQ(options->machineRecord().originZ, 250.0f);
    EXPECT_FLOAT_EQ(options->machineRecord().signZ, -1.0f);
    EXPECT_TRUE(frontLeft->isChecked());

    // Any other combination is read through the same record builder.
    const MachineAxes axes{1, 2, 1, 0};
    options->findChild<QComboBox *>("cbXDirection")->setCurrentIndex(axes.xDirection);
    options->findChild<QComboBox *>("cbXOrigin")->setCurrentIndex(axes.xOrigin);
    options->findChild<QComboBox *>("cbYDirection")->setCurrentIndex(axes.yDirection);
    options->findChild<QComboBox *>("cbYOrigin")->setCurrentIndex(axes.yOrigin);
    expectRecord(*options, machineRecordFromOptions(300, 250, 180, axes), "right to left, back to front");
    EXPECT_FALSE(frontLeft->isChecked() || center->isChecked());

    // The choices live in the settings store: a new dialog (the next start) comes back with them.
    options->findChild<QComboBox *>("cbThreadPriority")->setCurrentIndex(1);
    options->findChild<QLineEdit *>("eFilamentPrices")->setText("PLA=0.05; PETG = 0.12");
    options->on_bOk_clicked();
    options.reset();
    Ini::global().reload();
    FrmOptions again;
    expectRecord(again, machineRecordFromOptions(300, 250, 180, axes), "restored");
    EXPECT_EQ(again.threadPriority(), QThread::HighPriority);
    EXPECT_DOUBLE_EQ(again.filamentPrice("PETG"), 0.12);
    EXPECT_LT(again.filamentPrice("ABS"), 0.0);
}

TEST_F(SettingsForms, SliceFromTheExpertFormKeepsTheGCodeAndItsStatistics)
{
    FrmMain window(writeBox("cube.stl", 8));
    ExceptionCatcher exceptions;
    FrmSlicer &form = window.frmSlicer();
    window.runCommand("Slice...");
    ASSERT_TRUE(form.isVisible());
    form.findChild<QDoubleSpinBox *>("seLayerHeight")->setValue(0.3);
    form.findChild<QSpinBox *>("seHeadTemp")->setValue(205);
    QTest::mouseClick(form.findChild<QPushButton *>("bSlice"), Qt::LeftButton);

    EXPECT_EQ(exceptions.texts, QStringList());
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(window.isEnabled());
    EXPECT_FLOAT_EQ(window.params().LayerHeight, 0.3f);
    const QByteArray &gcode = window.gcode();
    ASSERT_FALSE(gcode.isEmpty());
    EXPECT_TRUE(gcode.contains("\r\nM104 S205 ")) << "the form's temperature is sliced";
    EXPECT_EQ(window.gcodeLabel(), "Unsaved GCode: ");
    EXPECT_EQ(window.gcodeBaseName(), "cube");
    EXPECT_EQ(window.editMode(), EditMode::GCode);

    const GCodeStats measured = measureGCode(gcode);
    const GCodeSummary &shown = window.gcodeSummary();
    EXPECT_EQ(shown.timeSec, measured.timeSec);
    EXPECT_EQ(shown.totalE, measured.totalE);
    EXPECT_EQ(shown.extrudeDist, measured.extrudeDist);
    EXPECT_EQ(shown.travelDist, measured.travelDist);
    EXPECT_EQ(shown.extrudedPerType, measured.extrudedPerType);
    EXPECT_GT(measured.extrudedPerType[1], 0.0) << "perimeters were sliced";
    // Default price of PLA, per metre of filament.
    const double metres = measured.totalE / 1000.0;
    const QString text = window.statsText();
    EXPECT_TRUE(text.startsWith("Time: ")) << text.toStdString();
    EXPECT_TRUE(text.contains("Length: " + QString::number(metres, 'f', 2) + " m  Travel: ")) << text.toStdString();
    EXPECT_TRUE(text.contains("Cost (PLA) : " + QString::number(metres * 0.091, 'f', 3))) << text.toStdString();
    EXPECT_TRUE(text.contains("\nPerimeter : " + QString::number(measured.extrudedPerType[1], 'f', 3)));
}

TEST_F(SettingsForms, AFailedSliceIsReportedAndKeepsTheWindowUsable)
{
    FrmMain window(writeBox("cube.stl", 8));
    ExceptionCatcher exceptions;
    window.params().HShellCnt = 500; // only a damaged store can hold this
    EXPECT_FALSE(window.sliceNow([](int, const QByteArray &) {}));
    ASSERT_EQ(exceptions.texts.size(), 1);
    EXPECT_TRUE(window.isEnabled());
    EXPECT_TRUE(window.gcode().isEmpty());
}

TEST_F(SettingsForms, ABackgroundSliceGrowsThePreviewToTheWholeFile)
{
    FrmMain window(writeBox("tower.stl", 6));
    ExceptionCatcher exceptions;
    // Sampled from the events the slice pumps: the window stays disabled meanwhile.
    int samples = 0;
    bool enabledMeanwhile = false;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        ++samples;
        enabledMeanwhile |= window.isEnabled();
    });
    sampler.start(0);
    EXPECT_TRUE(window.handleKeyPress("Ctrl+Shift+L"));
    sampler.stop();
    ASSERT_TRUE(exceptions.texts.isEmpty()) << exceptions.texts.join("\n").toStdString();
    EXPECT_EQ(window.editMode(), EditMode::GCode);
    EXPECT_TRUE(window.isEnabled());
    EXPECT_GT(samples, 0);
    EXPECT_FALSE(enabledMeanwhile);
    ASSERT_FALSE(window.gcode().isEmpty());

    GCodePreview whole;
    whole.build(window.gcode());
    const GCodePreview &grownPreview = window.preview();
    ASSERT_EQ(grownPreview.layerCount(), whole.layerCount());
    ASSERT_EQ(grownPreview.segments().size(), whole.segments().size());
    for (int i = 0; i < whole.layerCount(); ++i)
        EXPECT_EQ(grownPreview.layers()[size_t(i)].endSegment, whole.layers()[size_t(i)].endSegment) << i;
    // The newest layer stays on top with every layer below it.
    const GCodeViewChoice choice = window.gcodeViewChoice();
    EXPECT_EQ(choice.topLayer, whole.layerCount() - 1);
    EXPECT_EQ(choice.additionalLayers, whole.layerCount() - 1);
    EXPECT_TRUE(window.gcodeLabel().startsWith("Unsaved GCode: "));
}

TEST_F(SettingsForms, AFailedBackgroundSliceKeepsTheEarlierGCodeAndTheWindowUsable)
{
    FrmMain window(writeBox("cube.stl", 4));
    ExceptionCatcher exceptions;
    ASSERT_TRUE(window.sliceNow([](int, const QByteArray &) {}));
    const QByteArray earlier = window.gcode();
    const int layers = window.preview().layerCount();
    window.params().HShellCnt = 500; // only a damaged store can hold this
    window.runCommand("Slice in background");
    ASSERT_EQ(exceptions.texts.size(), 1);
    EXPECT_TRUE(window.isEnabled());
    EXPECT_EQ(window.gcode(), earlier);
    EXPECT_EQ(window.preview().layerCount(), layers);
}

TEST_F(SettingsForms, APresetOpenedFromOutsideShowsInTheExpertForm)
{
    FrmMain window;
    window.openPath(sourceDir() + "/tests/fixtures/presets/fine_petg.tssp", false);
    EXPECT_FALSE(window.frmSlicerIsSimple());
    EXPECT_TRUE(window.frmSlicer().isVisible());
    SlicerParams shown;
    window.frmSlicer().takeParams(shown);
    EXPECT_FLOAT_EQ(shown.LayerHeight, 0.1f);
    EXPECT_EQ(shown.HeadTemp, 240);
}

TEST_F(SettingsForms, SwitchButtonsSwapTheFormsAndTheChoiceIsKept)
{
    FrmMain window;
    window.runCommand("Slice...");
    ASSERT_TRUE(window.frmSlicer().isVisible());
    QTest::mouseClick(window.frmSlicer().findChild<QPushButton *>("bBasicSettings"), Qt::LeftButton);
    EXPECT_FALSE(window.frmSlicer().isVisible());
    EXPECT_TRUE(window.frmSlicerSimple().isVisible());
    EXPECT_TRUE(window.frmSlicerIsSimple());
    window.frmSlicerSimple().reject();
    window.runCommand("Slice...");
    EXPECT_TRUE(window.frmSlicerSimple().isVisible());
    QTest::mouseClick(window.frmSlicerSimple().findChild<QPushButton *>("bSwitchToExpert"), Qt::LeftButton);
    EXPECT_TRUE(window.frmSlicer().isVisible());
    EXPECT_FALSE(window.frmSlicerIsSimple());
    window.runCommand("Options");
    EXPECT_TRUE(window.frmOptions().isVisible());
}

// The easy form hands its set to the expert form and the window, and cannot be closed while it slices.
TEST_F(SettingsForms, EasySliceUsesItsChoicesEverywhereAndIgnoresACloseMeanwhile)
{
    Ini::global().setInt("frmSlicerIsSimple", 1);
    FrmMain window(writeBox("cube.stl", 8));
    ExceptionCatcher exceptions;
    FrmSlicerSimple &easy = window.frmSlicerSimple();
    window.runCommand("Slice...");
    ASSERT_TRUE(easy.isVisible());
    easy.findChild<QRadioButton *>("rbHigh")->setChecked(true);
    easy.findChild<QRadioButton *>("rbABS")->setChecked(true);
    window.params().InfillDensity = 0.5f; // replaced: the easy form starts from the defaults
    // Timers run from the slice's progress; a close arriving then must not take the form away.
    bool closeTried = false;
    QTimer::singleShot(0, &easy, [&] {
        closeTried = true;
        easy.reject();
    });
    QTest::mouseClick(easy.findChild<QPushButton *>("bSlice"), Qt::LeftButton);

    EXPECT_TRUE(closeTried);
    EXPECT_TRUE(easy.isVisible());
    EXPECT_TRUE(easy.isEnabled());
    EXPECT_EQ(exceptions.texts, QStringList());
    EXPECT_EQ(differingKeys(window.params(), easy.chosenParams()), QStringList());
    SlicerParams expertShows;
    window.frmSlicer().takeParams(expertShows);
    EXPECT_EQ(differingKeys(expertShows, easy.chosenParams()), QStringList());
    EXPECT_TRUE(window.gcode().contains("\r\nM104 S230 "));
    EXPECT_TRUE(window.statsText().contains("Cost (ABS) : ")) << window.statsText().toStdString();
}

// A size stored on a larger screen, or damaged, must not put a dialog out of reach.
TEST_F(SettingsForms, AStoredGeometryBeyondTheScreenIsBroughtOntoIt)
{
    Ini &ini = Ini::global();
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    ini.setInt("FrmOptions.PosX", -5000);
    ini.setInt("FrmOptions.PosY", 90000);
    ini.setInt("FrmOptions.Width", available.width() * 3);
    ini.setInt("FrmOptions.Height", available.height() + 1);
    FrmOptions options;
    const QRect g = options.geometry();
    EXPECT_LE(g.width(), qMax(available.width(), options.minimumSizeHint().width()));
    EXPECT_LE(g.height(), qMax(available.height(), options.minimumSizeHint().height()));
    EXPECT_GE(g.left(), available.left());
    EXPECT_GE(g.top(), available.top());
    EXPECT_TRUE(available.intersects(g));
    for (const char *key : {"FrmOptions.PosX", "FrmOptions.PosY", "FrmOptions.Width", "FrmOptions.Height"})
        ini.remove(key);
}
