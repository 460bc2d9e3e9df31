#pragma once

#include "common/gui/widgetvalues.h"
#include "engine/machinerecord.h"

#include <QDialog>
#include <QThread>

#include <memory>

namespace Ui
{
class FrmOptions;
}

// The program options: the printer's build volume and where its 0,0 lies, filament prices, online
// options, panel and graphics choices and the slicer's processor use. Every value lives in the settings
// store (restored when the dialog is created, stored when it closes); the slicer reads the machine
// record and the thread settings from here before each slice.
class FrmOptions : public QDialog
{
    Q_OBJECT
public:
    explicit FrmOptions(QWidget *parent = nullptr);
    ~FrmOptions() override;

    MachineRecord machineRecord() const;
    MachineAxes machineAxes() const;
    int threadCount() const;
    QThread::Priority threadPriority() const;
    // Price per metre of the named filament from "name1=price1; name2=price2;..."; negative when the
    // list names no such filament or its price is not a number.
    double filamentPrice(const QString &material) const;
    // (((xDir * 16 + xOrigin) * 16 + yDir) * 16 + yOrigin): 0 is the front-left shortcut, 257 the centre.
    int originCode() const;

    // The graphics choices of the 3D view.
    struct ViewLook {
        bool circularPlatform = false;
        bool editorEnvMap = false;
        bool gcodeEnvMap = false;
        bool transparentObjects = false;
        bool showBackFaces = false;
    };
    ViewLook viewLook() const;

    // "Check for updates now" was pressed; the main window takes the request on its next tick.
    bool takeUpdateRequest();
    // "Check for updates on startup"; setting it keeps the choice in the settings store at once, since the
    // first-start question sets it without the dialog ever being shown.
    bool checkUpdatesOnStartup() const;
    void setCheckUpdatesOnStartup(bool on);

    void storeValues();
    // Shows again which origin shortcut the combos match.
    void on_timer();

public slots:
    void on_bOk_clicked();
    void on_bCheckForUpdates_clicked();
    void on_bOriginFrontLeft_clicked();
    void on_bOriginCenter_clicked();

protected:
    void done(int result) override;

private:
    void setAxes(const MachineAxes &axes);
    void showOriginButtons();

    std::unique_ptr<Ui::FrmOptions> ui;
    WidgetValues m_values;
    bool m_updateRequested = false;
};
