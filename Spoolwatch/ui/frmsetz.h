#pragma once

#include <QDialog>

#include <memory>

class Printer;
namespace Ui
{
class FrmSetZ;
}

// Moves the head to a Z height (mm), preset with the Z the printer stands at. Modal; Go sends the move
// through the printer's priority queue and closes.
class FrmSetZ : public QDialog
{
    Q_OBJECT
public:
    explicit FrmSetZ(Printer &printer, QWidget *parent = nullptr);
    ~FrmSetZ() override;

    // "G1 F1200 Z" + the height with up to 6 significant digits.
    static QByteArray moveCommand(double z);

private slots:
    void on_bGo_clicked();

private:
    std::unique_ptr<Ui::FrmSetZ> ui;
    Printer &m_printer;
};
