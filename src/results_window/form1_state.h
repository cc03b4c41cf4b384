// The results window's own state beside the panel's and the search's, one
// struct per concern: the anchor the load sets up, what opening a hit
// needs, and the highlighted row with the Enter whose release is pending.
#pragma once

#include <QString>

namespace orvanta::results_window {

// The panel's anchor, twips, as the load reads and defaults it.
struct AnchorState {
  qint32 LeftPosition = 0;
  qint32 TopPosition = 0;
};

// What opening a hit needs of the window: the system folder, and whether
// the preferences window opened from the panel is up (CloseForm then does
// nothing).
struct OpeningState {
  QString WindowsDirectory;
  bool PreferencesOpen = false;
};

// The highlighted row (0: none), and the Enter that started a search until
// its release is swallowed.
struct InteractionState {
  qint32 CurrentRow = 0;
  bool EnterPending = false;
};

}  // namespace orvanta::results_window
