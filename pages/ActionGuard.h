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
//       if (!hold.Entered()) return;  // the action is still at work
//       ...
class ActionGuard {
  public:
    bool AtWork() const { return atWork_; }

    class Hold {
      public:
        explicit Hold(ActionGuard& guard) : guard_(guard.atWork_ ? nullptr : &guard) {
            if (guard_ != nullptr) guard_->atWork_ = true;
        }
        ~Hold() {
            if (guard_ != nullptr) guard_->atWork_ = false;
        }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

        // False when the action was already at work: the press must then do nothing.
        bool Entered() const { return guard_ != nullptr; }

      private:
        ActionGuard* guard_;
    };

  private:
    bool atWork_ = false;
};

}  // namespace tarnwick::pages
