#pragma once

#include "platform/keepawake.h"
#include "platform/portwatch.h"
#include "ui/firmwarecheck.h"
#include "ui/userprompts.h"

#include <QMainWindow>

#include <memory>
#include <vector>

class FramePrinter;
class Printer;
class QAction;
class QLabel;
class QTimer;
class QVBoxLayout;

// The host's only main window: one panel per printer, found on USB (or added by hand), files handed
// over by the slicer or the command line loaded into a printer of the user's choice, and closing
// guarded while jobs run. Driven by three timers on the GUI thread.
class FrmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit FrmMain(const QString &fileArgument = QString(), UserPrompts prompts = UserPrompts::dialogs(),
                     QWidget *parent = nullptr);
    ~FrmMain() override;

    static constexpr char emptyText[] =
        "<font color=#EF0><b><br>No printers specified.</b><br><br><font color=white>You can plug in a "
        "<b>Taliform</b><br> or add printers manually by pressing <b>Ctrl+A</b>.<br>";
    static constexpr char chooserTitle[] = "Select a printer for the GCode to be loaded into!";

    std::vector<Printer *> printers() const;
    const FirmwareCheck &firmwareCheck() const { return m_firmwareCheck; }
    std::vector<FramePrinter *> frames() const;
    // Loads a file from the command line or from the slicer into the printer the user picks.
    void loadFromOutside(const QString &fileName);
    // True for the slicer's temporary hand-over files, which the window deletes when it closes.
    static bool isHandOverTempFile(const QString &fileName);
    void removeHandOverTempFiles();

public slots:
    void startup();
    void onTimer();
    void onTimerRapid();
    void onTimerMinute();
    void updateTaliforms();
    void on_actionAddPrinterManually_triggered();
    void on_actionDetectTaliforms_triggered();
    void processCommandLine();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    struct Entry {
        std::unique_ptr<Printer> printer;
        FramePrinter *frame = nullptr;
    };
    Entry *find(const QString &portName);
    void addPrinter(const QString &portName, int kind, const QString &description);
    void closePrinter(FramePrinter *frame);
    void showEmptyText();
    bool mayQuit();

    UserPrompts m_prompts;
    QString m_fileArgument;
    std::vector<Entry> m_entries;
    PortWatch m_portWatch;
    FirmwareCheck m_firmwareCheck;
    KeepAwake m_keepAwake;
    // Seconds since the keep-awake state was last renewed.
    double m_keepAwakeSeconds = 0;
    QStringList m_manualPorts;
    QWidget *m_panels;
    QVBoxLayout *m_panelLayout;
    QLabel *m_empty;
    QAction *m_alwaysOnTop;
    QTimer *m_timer, *m_timerRapid, *m_timerMinute;
};
