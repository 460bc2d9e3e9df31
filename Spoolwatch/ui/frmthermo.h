#pragma once

#include <QDialog>

#include <memory>

class Printer;
namespace Ui
{
class FrmThermo;
}

// Head and bed temperatures (degrees Celsius), the fan (percent) and the switches that keep the job's
// own temperature and fan commands from the printer. Preset with what the printer was last told.
// Modal; each button sends at once through the priority queue.
class FrmThermo : public QDialog
{
    Q_OBJECT
public:
    explicit FrmThermo(Printer &printer, QWidget *parent = nullptr);
    ~FrmThermo() override;

    // The fan's PWM value (0..255) for a percentage, rounded to nearest with halves up: 50 % is 128.
    static int fanPwm(int percent);

private slots:
    void on_bHeadSet_clicked();
    void on_bHeadOff_clicked();
    void on_bBedSet_clicked();
    void on_bBedOff_clicked();
    void on_bFanSet_clicked();
    void on_bFanOff_clicked();
    void on_chBypassHeatCommands_clicked();
    void on_chBypassFanCommands_clicked();

private:
    void showFanToggle();

    std::unique_ptr<Ui::FrmThermo> ui;
    Printer &m_printer;
};
