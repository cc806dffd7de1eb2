#include "state/WindowState.h"

WindowState::WindowState(QObject* parent) : QObject(parent) {}
