#pragma once

#include <QDialog>

#include <memory>

class Printer;
namespace Ui
{
class FrmTweak;
}

// The speed (M220) and flow (M221) overrides of a printer, in percent, preset with what the printer
// last took. Modal; each Set or Reset sends at once through the priority queue.
class FrmTweak : public QDialog
{
    Q_OBJECT
public:
    explicit FrmTweak(Printer &printer, QWidget *parent = nullptr);
    ~FrmTweak() override;

private slots:
    void on_bSpeedFactorSet_clicked();
    void on_bSpeedFactorReset_clicked();
    void on_bExtrudeFactorSet_clicked();
    void on_bExtrudeFactorReset_clicked();

private:
    std::unique_ptr<Ui::FrmTweak> ui;
    Printer &m_printer;
};
