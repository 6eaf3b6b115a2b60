// The transparent colour's swatch: a button showing the colour, which opens the
// colour dropper when clicked.
#pragma once

#include <QAbstractButton>
#include <optional>

#include "doc/types.h"

namespace kivo {

class ColourSwatch : public QAbstractButton {
    Q_OBJECT
public:
    explicit ColourSwatch(QWidget* parent);
    void SetColour(std::optional<Rgb> colour);
    std::optional<Rgb> Colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<Rgb> colour_;
};

}  // namespace kivo
