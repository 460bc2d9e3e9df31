#pragma once

#include "engine/slicer.h"
#include "engine/slicerparams.h"
#include "engine/slicerpresets.h"
#include "forms/settinghints.h"

#include <QDialog>
#include <QHash>
#include <QTimer>

#include <functional>
#include <memory>

namespace Ui
{
class FrmSlicer;
}
struct SettingKey;
class QGroupBox;
class UserPrompts;

// Starts a slice of the scene with the current settings; the argument reports its progress.
using SliceAction = std::function<void(const SliceProgress &progress)>;

// The expert settings form: one widget per key of the settings table (built from it, grouped as it says),
// the presets and their files, a hint pane and Slice. The form edits a copy; the window's current settings
// change when the user slices or the easy form hands over its choices.
class FrmSlicer : public QDialog
{
    Q_OBJECT
public:
    // `params`: the window's current settings, outliving the form. `prompts` answers the file dialogs.
    FrmSlicer(SlicerParams &params, const std::unique_ptr<UserPrompts> &prompts, QWidget *parent = nullptr);
    ~FrmSlicer() override;

    void setSliceAction(SliceAction slice) { m_slice = std::move(slice); }

    // Every key's widget into `params` (the never stored fields stay as they are).
    void takeParams(SlicerParams &params) const;
    // The exact reverse of takeParams for every value inside the form's ranges.
    void showParams(const SlicerParams &params);
    // Shows params and makes them the current settings (the easy form's hand-over).
    void useParams(const SlicerParams &params);

    // The widget of a key ("LayerHeight" -> seLayerHeight), or null.
    QWidget *keyWidget(const QString &key) const { return m_keyWidgets.value(key); }
    const SettingHints &hints() const { return m_hints; }
    QString hintShown() const;
    // "Switch to Easy mode" was pressed; the window shows the other form.
    bool takeSwitchRequest();

public slots:
    void on_bLoadDefaults_clicked();
    void on_bSlice_clicked();
    void on_bSavePreset_clicked();
    void on_bDeletePreset_clicked();
    void on_cbPreset_currentTextChanged(const QString &name);
    void on_bLoadPreset_clicked();
    void on_bBasicSettings_clicked();
    void on_bImportPreset_clicked();
    void on_bExportPreset_clicked();

public:
    // Shows the settings of a preset file in the form (a file opened from outside, as Import does).
    void openPreset(const QString &path);

public:
    // The widgets of these are built from the settings table after the designer's slots were connected
    // by name; they are connected by hand.
    void on_gbSkirtEnable_clicked(bool checked);
    void on_gbBrimEnable_clicked(bool checked);
    void on_gbRaftEnable_clicked(bool checked);
    void on_bLoadExampleRaftTable_clicked();
    // Enables the preset buttons that apply to the name typed.
    void on_timer();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void buildSettingWidgets();
    QWidget *createKeyWidget(const SettingKey &key, QWidget *parent);
    void watchForHints(QWidget *root);
    void showHintOf(QObject *clicked);
    void showPresetNames(const QString &current);

    std::unique_ptr<Ui::FrmSlicer> ui;
    SlicerParams &m_params;
    const std::unique_ptr<UserPrompts> &m_prompts;
    SliceAction m_slice;
    SlicerPresets m_presets;
    SettingHints m_hints;
    QHash<QString, QWidget *> m_keyWidgets;
    QTimer m_timer;
    bool m_switchRequested = false;
    ulong m_lastHintPress = 0;
    bool m_hintPressSeen = false;
};
