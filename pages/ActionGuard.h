#pragma once

namespace tarnwick::pages {

// A button action that yields to the window system (and waits for the server) can see its own
// button pressed again before it ends. The guard makes such a press do nothing: it is held for
// the whole action, from the first step to the last, however the action ends.
//
// The wizard's own guard (Wizard::PageChange) spans every action that shows or hides pages.
//
//   void Form2::PushButton3_Click() {
//       const ActionGuard::Hold hold(wizard_.PageChange());
//       if (!hold.Entered()) return;  // the action is still going on
//       ...
class ActionGuard {
  public:
    // True while an action holds the guard.
    bool Held() const { return held_; }

    class Hold {
      public:
        explicit Hold(ActionGuard& guard) : guard_(guard.held_ ? nullptr : &guard) {
            if (guard_ != nullptr) guard_->held_ = true;
        }
        ~Hold() {
            if (guard_ != nullptr) guard_->held_ = false;
        }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

        // False when the guard was already held: the press must then do nothing.
        bool Entered() const { return guard_ != nullptr; }

      private:
        ActionGuard* guard_;
    };

  private:
    bool held_ = false;
};

}  // namespace tarnwick::pages
