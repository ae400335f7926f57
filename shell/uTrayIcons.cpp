// uTrayIcons.cpp — drawing the flask icons.
#include "shell/uTrayIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "core/uStatusIndicator.h"

namespace varnholt::shell {

namespace {

QColor StatusColor(int image) {
  const TStatusColor colors[] = {kStatusAutomatic, kStatusIdle, kStatusProcessing, kStatusError};
  const TStatusColor c = colors[image >= 0 && image < 4 ? image : 1];
  return QColor(c.red, c.green, c.blue);
}

QPixmap Flask(int size, const QColor& fill) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const double s = size / 32.0;
  // An Erlenmeyer flask: a neck on a cone with a rounded base.
  QPainterPath flask;
  flask.moveTo(12 * s, 3 * s);
  flask.lineTo(20 * s, 3 * s);
  flask.lineTo(20 * s, 12 * s);
  flask.lineTo(28 * s, 26 * s);
  flask.quadTo(29 * s, 29 * s, 26 * s, 29 * s);
  flask.lineTo(6 * s, 29 * s);
  flask.quadTo(3 * s, 29 * s, 4 * s, 26 * s);
  flask.lineTo(12 * s, 12 * s);
  flask.closeSubpath();
  painter.setPen(QPen(QColor(40, 40, 40), std::max(1.0, 1.6 * s)));
  painter.setBrush(QColor(250, 250, 250));
  painter.drawPath(flask);
  // The liquid, in the status colour, up to the cone's middle.
  QPainterPath level;
  level.addRect(0, 18 * s, size, size);
  const QPainterPath liquid = flask.intersected(level);
  painter.setPen(Qt::NoPen);
  painter.setBrush(fill);
  painter.drawPath(liquid);
  painter.setPen(QPen(QColor(40, 40, 40), std::max(1.0, 1.6 * s)));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(flask);
  return pixmap;
}

}  // namespace

QIcon FlaskIcon(int image) {
  QIcon icon;
  for (const int size : {16, 22, 24, 32, 48, 64, 128}) icon.addPixmap(Flask(size, StatusColor(image)));
  return icon;
}

}  // namespace varnholt::shell
