#pragma once

#include "host/tour.h"

namespace tour {

// The first slide, "Quorvia Overview": the product's toolbar.
const host::SlideForm& OverviewForm();

// The second slide, "Menu Items": the add/action and search lists and the
// folder list.
const host::SlideForm& Overview1Form();

}  // namespace tour
