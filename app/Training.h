#pragma once

class QWidget;

// The training workshop folder, made by the menu entry "Velmora — учебный режим", holds this file; the
// program runs there on a simulated unit.
inline constexpr const char* kTrainingMarker = "Training.txt";

// True when the working directory is a training workshop.
bool IsTrainingWorkshop();

// In a training workshop, adds " — учебный режим" to aLauncher's title, so that nobody takes the
// simulated unit for a real one.
void MarkTraining(QWidget& aLauncher);
