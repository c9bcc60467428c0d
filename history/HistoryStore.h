#pragma once

// The store's former header, for the includes not yet moved to history/Store.h.
#include "history/Store.h"
