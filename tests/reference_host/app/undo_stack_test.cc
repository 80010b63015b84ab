// The undo stack's QUndoStack-like bookkeeping.
#include "host/app/undo_action.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;

// Appends "+name" on redo and "-name" on undo, checking the document.
class RecordingAction : public app::UndoAction {
 public:
  RecordingAction(std::string name, std::vector<std::string>* journal, app::AppDocument* expected)
      : name_(std::move(name)), journal_(journal), expected_(expected) {}

 protected:
  void InternalRedo(app::AppDocument* document) override { Note("+", document); }
  void InternalUndo(app::AppDocument* document) override { Note("-", document); }

 private:
  void Note(const char* sign, app::AppDocument* document) {
    journal_->push_back(sign + name_ + (document == expected_ ? "" : "(wrong document)"));
  }
  std::string name_;
  std::vector<std::string>* journal_;
  app::AppDocument* expected_;
};

class UndoStackTest : public testing::Test {
 protected:
  void Push(const std::string& name) {
    stack_.Push(new RecordingAction(name, &journal_, doc_.get()), "do " + name);
  }
  std::unique_ptr<reference_host::AppDocumentImpl> doc_ = DocumentBuilder().Build();
  std::vector<std::string> journal_;
  reference_host::UndoStack stack_{doc_.get()};
};

TEST_F(UndoStackTest, PushRunsRedoAndUndoRedoAlternate) {
  Push("a");
  Push("b");
  stack_.Undo();
  stack_.Undo();
  stack_.Undo();  // nothing left
  stack_.Redo();
  EXPECT_THAT(journal_, ElementsAre("+a", "+b", "-b", "-a", "+a"));
  EXPECT_EQ(stack_.Index(), 1);
  EXPECT_EQ(stack_.Count(), 2);
  EXPECT_EQ(stack_.UndoText(), "do a");
  EXPECT_EQ(stack_.RedoText(), "do b");
}

TEST_F(UndoStackTest, PushAfterUndoDropsTheRedoTail) {
  Push("a");
  Push("b");
  stack_.Undo();
  Push("c");
  EXPECT_EQ(stack_.Count(), 2);
  EXPECT_FALSE(stack_.CanRedo());
  EXPECT_EQ(stack_.Text(1), "do c");
  EXPECT_EQ(stack_.RedoText(), "");
}

TEST_F(UndoStackTest, UndoLimitDropsTheOldest) {
  stack_.SetUndoLimit(2);
  Push("a");
  Push("b");
  Push("c");
  EXPECT_EQ(stack_.Count(), 2);
  EXPECT_EQ(stack_.Text(0), "do b");
  stack_.Undo();
  stack_.Undo();
  EXPECT_FALSE(stack_.CanUndo());
  EXPECT_THAT(journal_, ElementsAre("+a", "+b", "+c", "-c", "-b"));
}

TEST_F(UndoStackTest, CleanStateFollowsTheIndexAndADroppedOneNeverComesBack) {
  EXPECT_TRUE(stack_.IsClean());
  Push("a");
  EXPECT_FALSE(stack_.IsClean());
  stack_.SetClean();
  Push("x");
  EXPECT_FALSE(stack_.IsClean());
  stack_.Undo();
  EXPECT_TRUE(stack_.IsClean());
  stack_.Undo();
  Push("b");  // the clean state was in the dropped tail
  stack_.Undo();
  EXPECT_FALSE(stack_.IsClean());
  EXPECT_EQ(stack_.CleanIndex(), -1);
  stack_.SetClean();
  EXPECT_TRUE(stack_.IsClean());

  stack_.Clear();
  stack_.SetUndoLimit(1);
  Push("c");
  stack_.SetClean();
  Push("d");  // the limit drops "c": the state before "d" stays reachable
  EXPECT_EQ(stack_.CleanIndex(), 0);
  stack_.Undo();
  EXPECT_TRUE(stack_.IsClean());
  stack_.Clear();
  Push("e");
  Push("f");  // the empty, clean state went with "e"
  EXPECT_EQ(stack_.CleanIndex(), -1);
}

TEST_F(UndoStackTest, StackHoldsTheOnlyReferenceAndRefusesNull) {
  stack_.Push(nullptr, "nothing");
  EXPECT_EQ(stack_.Count(), 0);
  scoped_refptr<app::UndoAction> action(new RecordingAction("a", &journal_, doc_.get()));
  stack_.Push(action, "a");
  EXPECT_EQ(action->RefCountForTesting(), 2);
  stack_.Clear();
  EXPECT_TRUE(action->HasOneRef());
  EXPECT_TRUE(stack_.IsClean());
}

}  // namespace
