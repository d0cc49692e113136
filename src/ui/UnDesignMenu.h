#pragma once

class QMenu;
class TFormMain;

// The "Сервис" entries of spray design and calibration: "Подбор расходов воды" (action
// ServisSprayDesign, window TFormSprayDesign) and "Калибровка по измерениям" (ServisCalibration,
// TFormCalibration). The windows are made at their first use, as child windows of the main window,
// with the data window's values and the model parameters as their case.
void InstallDesignWindows(TFormMain* main, QMenu* servis);
