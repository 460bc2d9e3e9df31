#include "frmmain.h"

FrmMain::FrmMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName("FrmMain");
    setWindowTitle("Tessaline 1.07 beta #7970  ");
}
