#include "assistant/base.h"

#include "support/errors.h"

namespace assistant {
namespace {

// Internal inconsistencies of the goal stack (`what` says which): they end
// the program the way every internal error does, through cmdloop::guarded.
void check(bool ok, [[maybe_unused]] const char* what) {
  if (!ok) support::internal_error("base");
}

}  // namespace

Base::Base() { abort_goals(); }

// Each history starts with two entries, the state before the proof (no
// goal) and the first goal, both with no existential value. Undo pops the
// newest; reaching the empty bottom entry is how the loop learns the proof
// is undone.
void Base::init_goals(const fol::KFormula& f) {
  goals_.assign(1, Goal{{}, f.f, {}, {}, ""});
  goal_history_ = {GoalList{}, goals_};
  value_history_ = {fol::EvarVals{}, fol::EvarVals{}};
}

void Base::undo_goals(fol::Session& ses) {
  check(goal_history_.size() >= 2, "undo without a goal history");
  check(value_history_.size() >= 2, "undo without a value history");
  goal_history_.pop_back();
  goals_ = goal_history_.back();
  value_history_.pop_back();
  fol::set_evar_val(ses, value_history_.back());
}

// The same shape as at the start of a proof, without its goal.
void Base::abort_goals() {
  goals_.clear();
  goal_history_ = {GoalList{}, GoalList{}};
  value_history_ = {fol::EvarVals{}, fol::EvarVals{}};
}

void Base::add_goal_historic(const GoalList& goals) { goal_history_.push_back(goals); }

void Base::add_evar_val_historic(const fol::EvarVals& vals) { value_history_.push_back(vals); }

void Base::add_goal_list(const GoalList& goals) {
  goals_.insert(goals_.end(), goals.begin(), goals.end());
}

// Failure("no goal") is a refusal: the loop answers it and goes on.
void Base::rm_goal() {
  if (goals_.empty()) throw support::Failure("no goal");
  goals_.pop_back();
}

const Goal& Base::c_goal() const {
  if (goals_.empty()) throw support::Failure("no goal");
  return goals_.back();
}

// The chosen goal moves to the end, the others keep their order. The new
// order is recorded as a step, with the values unchanged.
bool Base::sel_goal(const std::string& name) {
  std::size_t i = 0;
  while (i < goals_.size() && goals_[i].name != name) ++i;
  if (i == goals_.size()) return false;
  Goal g = std::move(goals_[i]);
  goals_.erase(goals_.begin() + static_cast<std::ptrdiff_t>(i));
  goals_.push_back(std::move(g));
  add_goal_historic(goals_);
  add_evar_val_historic(value_history_.back());
  return true;
}

}  // namespace assistant
