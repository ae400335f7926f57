// uTrayIcons.h — the four images of the notification-area icon: a flask in the colour of each status.
#pragma once

#include <QIcon>

namespace varnholt::shell {

// Image 0 Automatic (light green), 1 idle (yellow), 2 processing (light blue), 3 error (red), as the
// status indicator selects them; drawn at every size the desktop asks for, so they stay sharp at any scale.
QIcon FlaskIcon(int image);

}  // namespace varnholt::shell
