// SPDX-License-Identifier: MIT
#pragma once
// The colour list of the dialogs: the sixteen standard colours with their swatches,
// by their names without the "cl" prefix ("Black" ... "White").
#include <QComboBox>
#include <optional>

#include "model/colors.h"

namespace quorvel::widgets {

QComboBox* NewColorList(QWidget* parent, const QString& hint);
// Selects the colour; a colour outside the list leaves the list without a selection.
void SelectColor(QComboBox* box, model::TColor value);
// Selects the colour; one outside the list is added to it first under its stored
// name ("clNone", "$00123456"), so that a record keeps a colour the list does not offer.
void SelectOrAddColor(QComboBox* box, model::TColor value);
// The selected colour; nullopt when none is selected.
std::optional<model::TColor> SelectedColor(const QComboBox* box);

}  // namespace quorvel::widgets
