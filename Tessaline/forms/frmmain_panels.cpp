// The support, G-code, clipping and key-frame panels, and the commands that the view, slicing and the
// settings forms fill in as they arrive.
#include "forms/frmmain.h"
#include "ui_frmmain.h"

void FrmMain::on_bClearSupport_clicked() {}
void FrmMain::on_bGenSupport_clicked() {}
void FrmMain::on_seMinSteepness_valueChanged(int) {}

void FrmMain::on_seGCodeLayer_valueChanged(int) {}
void FrmMain::on_slGCodeLayer_valueChanged(int) {}
void FrmMain::on_slGCodeAdditionalLayers_valueChanged(int) {}
void FrmMain::on_seGCodeLine_valueChanged(int) {}
void FrmMain::on_slGCodeLine_valueChanged(int) {}
void FrmMain::on_cbGCodeColoring_currentIndexChanged(int) {}
void FrmMain::on_chShowTravel_clicked() {}
void FrmMain::on_chShowLegend_clicked() {}
void FrmMain::on_bLoadGCode_clicked() {}
void FrmMain::on_bSaveGCode_clicked() {}
void FrmMain::on_bClearGCode_clicked() {}
void FrmMain::on_bPrintGCode_clicked() {}

void FrmMain::on_bClipRedraw_clicked() {}
void FrmMain::on_chClipping_clicked() {}

void FrmMain::on_bkfPrev_clicked() {}
void FrmMain::on_bkfNext_clicked() {}
void FrmMain::on_bkfPlay_clicked() {}
void FrmMain::on_bkfRender_clicked() {}
void FrmMain::on_bkfSet_clicked() {}
void FrmMain::on_bkfInsert_clicked() {}
void FrmMain::on_bkfInsertAfter_clicked() {}
void FrmMain::on_bkfDelete_clicked() {}
void FrmMain::on_bkfDeleteAll_clicked() {}
void FrmMain::on_bkfHome_clicked() {}
void FrmMain::on_bkfEnd_clicked() {}
void FrmMain::on_seKeyDuration_valueChanged(int) {}

void FrmMain::exportMeshes() {}
void FrmMain::openOptions() {}
void FrmMain::sliceInBackground() {}
void FrmMain::reloadGCodePreview() {}
void FrmMain::sendGCodeToHost() {}
void FrmMain::homeCamera() {}
