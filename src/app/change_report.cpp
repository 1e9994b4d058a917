#include "app/change_report.h"

namespace {
thread_local ChangeReport* installed = nullptr;
}

ChangeReport* CurrentChangeReport() { return installed; }

ScopedChangeReport::ScopedChangeReport(ChangeReport* report) : previous_(installed) { installed = report; }
ScopedChangeReport::~ScopedChangeReport() { installed = previous_; }
