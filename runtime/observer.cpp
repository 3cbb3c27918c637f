#include "observer.h"

RuntimeObserver runtime_observer = {nullptr, nullptr, 0};
