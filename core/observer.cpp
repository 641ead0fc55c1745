// The tools' observer: the program sets none of its reports.
#include "core/observer.h"

Observer observer;
