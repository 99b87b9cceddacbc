#include "lib/input/Edit.h"

#include "framework/Forms.h"
#include "lib/core/Datetime.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Counts the beeps; nothing else reaches it.
class Beeps : public TUserSeam {
public:
  int Answer(const String&, const String&, const String&) override { return 0; }
  void Beep(UINT) override { ++count; }
  void Help(const String&, UINT, ULONG_PTR) override {}
  int count = 0;
};

// A shown form with a typed edit and a plain edit after it.
class EditTest : public testing::Test {
protected:
  void SetUp() override {
    Application().SetUserSeam(&beeps);
    form = new TForm(nullptr);
    form->SetClientSize(300, 200);
    edit = new kxvEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 200, 24);
    next = new TEdit(form);
    next->SetParent(form);
    next->SetBounds(10, 50, 200, 24);
    edit->OnChanged = [this](TObject*) { ++changed; };
    form->Show();
  }
  void TearDown() override {
    delete form;
    Application().SetUserSeam(nullptr);
  }

  void Type(const char* text) {
    for (const char* p = text; *p; ++p) {
      SendMessageA(edit->Handle(), WM_CHAR, static_cast<unsigned char>(*p), 1);
    }
  }
  // Enter as the message loop hands it to the dialog manager.
  void PressEnter() {
    MSG msg{edit->Handle(), WM_KEYDOWN, VK_RETURN, 1, 0, {}};
    IsDialogMessageA(form->Handle(), &msg);
    Application().ProcessMessages();
  }
  void Click(HWND h) {
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 5));
    SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(20, 5));
  }

  Beeps beeps;
  TForm* form = nullptr;
  kxvEdit* edit = nullptr;
  TEdit* next = nullptr;
  int changed = 0;
};

}  // namespace

TEST_F(EditTest, AnIntegerFieldWithoutVariableTakesOnlyItsKeysAndKeepsItsText) {
  edit->SetDataType(dtLong);
  edit->SetText("0");
  edit->SetFocus();
  edit->SelectAll();
  Type("12a,3-+b\b");
  Type("表");  // one beep for the whole character
  EXPECT_EQ(edit->Text(), "12,3-");
  EXPECT_EQ(beeps.count, 3);
  next->SetFocus();
  edit->SetFocus();
  EXPECT_EQ(edit->Text(), "12,3-");
}

TEST_F(EditTest, DateAndDateTimeFieldsTakeTheirSeparators) {
  kxDate date(0, 0, 0);
  edit->SetDataType(dtDate);
  edit->SetData(&date);
  Type("1998/1/2 :x");
  EXPECT_EQ(edit->Text(), "1998/1/2 ");
  EXPECT_EQ(beeps.count, 2);
  EXPECT_EQ(date.ToText(), "1998/01/02");  // written at every change

  kxDateTime both(kxDate(0, 0, 0), kxTime(0, 0, 0, 0));
  edit->SetData(nullptr);
  edit->SetDataType(dtDateTime);
  edit->SetData(&both);
  edit->SelectAll();
  Type("1998/1/2 3:4");
  EXPECT_EQ(beeps.count, 2);
  EXPECT_EQ(both.ToText(), "1998/01/02 03:04:00");
}

TEST_F(EditTest, EnterWritesReportsAnEditShowsTheValueAgainAndMovesOn) {
  int32_t value = 5;
  edit->SetDataType(dtLong);
  edit->SetData(&value);
  edit->SetReturnToNext(true);
  edit->SetFocus();
  PressEnter();  // unedited: no report
  EXPECT_EQ(changed, 0);
  EXPECT_TRUE(next->Focused());
  EXPECT_EQ(edit->Text(), "5");  // no new line either

  edit->SetFocus();  // AutoSelect
  Type("1,234");
  EXPECT_EQ(value, 1234);
  PressEnter();
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(edit->Text(), "1234");
  EXPECT_FALSE(edit->Modified());
  EXPECT_TRUE(next->Focused());
}

TEST_F(EditTest, LeavingTheFieldReportsTheEditAndShowsTheValueInItsNormalForm) {
  kxDate date(1998, 12, 7);
  edit->SetDataType(dtDate);
  edit->SetData(&date);
  EXPECT_EQ(edit->Text(), "1998/12/07");
  edit->SetFocus();
  Type("1998/1/2");  // replaces the selected text
  next->SetFocus();
  EXPECT_EQ(edit->Text(), "1998/01/02");
  EXPECT_EQ(changed, 1);
  edit->SetFocus();
  next->SetFocus();
  EXPECT_EQ(changed, 1);
  edit->SetFormat("yyyy\"年\"m\"月\"d\"日\"");
  EXPECT_EQ(edit->Text(), "1998年1月2日");
  date = kxDate(1998, 2, 30);
  edit->ReadData();
  EXPECT_EQ(edit->Text(), "");
}

// Formats whose text reads back as another value, or as none.
TEST_F(EditTest, LeavingEnterAndANewWindowWriteNothingTheUserDidNotEdit) {
  int32_t number = 1234567;
  kxDate date(1998, 12, 7);
  kxTime time(9, 5, 3, 0);
  double real = 2.5678;
  struct Case {
    kxDataType type;
    void* data;
    const char* format;
    const char* shown;
  };
  const Case cases[] = {
      {dtLong, &number, "'￥'#,##0", "￥1,234,567"},
      {dtDate, &date, "yyyy\"年\"m\"月\"d\"日\"", "1998年12月7日"},
      {dtTime, &time, "hh時nn分", "09時05分"},
      {dtDouble, &real, "0.00", "2.57"},
  };
  auto unchanged = [&](const char* step) {
    EXPECT_EQ(number, 1234567) << step;
    EXPECT_EQ(date.ToText(), "1998/12/07") << step;
    EXPECT_EQ(time.ToText(), "09:05:03") << step;
    EXPECT_EQ(real, 2.5678) << step;
  };
  edit->SetReturnToNext(true);
  for (bool multiLine : {true, false}) {
    edit->SetMultiLine(multiLine);
    for (const Case& c : cases) {
      SCOPED_TRACE(String(c.format) + (multiLine ? " multi-line" : " single-line"));
      edit->SetData(nullptr);
      edit->SetDataType(c.type);
      edit->SetFormat(c.format);
      edit->SetData(c.data);
      EXPECT_EQ(edit->Text(), c.shown);
      unchanged("shown");
      edit->SetFocus();
      next->SetFocus();
      unchanged("focus left");
      edit->SetFocus();
      PressEnter();
      EXPECT_TRUE(next->Focused());
      unchanged("Enter");
      edit->SetAlignment(edit->Alignment() == taLeftJustify ? taCenter : taLeftJustify);
      unchanged("new window");
      EXPECT_EQ(edit->Text(), c.shown);
    }
  }
  EXPECT_EQ(changed, 0);
}

TEST_F(EditTest, TheUsersEditIsWrittenUnderAnyFormatAndTheProgramsValueShownAgain) {
  int32_t value = 1234567;
  edit->SetMultiLine(false);
  edit->SetReturnToNext(true);
  edit->SetDataType(dtLong);
  edit->SetFormat("'￥'#,##0");
  edit->SetData(&value);
  edit->SetFocus();
  Type("42");
  EXPECT_EQ(value, 42);  // at every change
  next->SetFocus();
  EXPECT_EQ(edit->Text(), "￥42");
  edit->SetFocus();
  next->SetFocus();
  EXPECT_EQ(value, 42);
  EXPECT_EQ(changed, 1);

  edit->SetFocus();
  Type("7");
  PressEnter();
  EXPECT_EQ(value, 7);
  EXPECT_EQ(changed, 2);
  edit->SelectAll();
  Type("9");
  edit->SetMultiLine(true);
  EXPECT_EQ(value, 9);
  EXPECT_EQ(changed, 3);
  EXPECT_EQ(edit->Text(), "￥9");

  // Bound again, the same variable shows what the program stored in it.
  value = 5;
  edit->SetData(&value);
  EXPECT_EQ(edit->Text(), "￥5");
  value = 6;
  edit->SetFormat("'￥'#,##0");
  EXPECT_EQ(edit->Text(), "￥6");
  value = 8;
  edit->SetDataType(dtLong);
  EXPECT_EQ(edit->Text(), "￥8");
  edit->SetFocus();
  next->SetFocus();
  EXPECT_EQ(value, 8);
}

TEST_F(EditTest, ACharacterBufferTakesNoMoreThanMaxLength) {
  char buffer[8];
  std::memset(buffer, '#', sizeof buffer);
  std::strcpy(buffer, "abc");
  edit->SetMaxLength(5);
  edit->SetDataType(dtCString);
  edit->SetData(buffer);
  edit->SetMultiLine(false);
  edit->SetText("0123456789");  // the program's text knows no limit
  EXPECT_STREQ(buffer, "01234");
  EXPECT_EQ(buffer[6], '#');
}

TEST_F(EditTest, ANewWindowWritesTheEditFirstAndReadsTheValueAfter) {
  int32_t value = 7;
  edit->SetDataType(dtLong);
  edit->SetData(&value);
  edit->SelectAll();
  Type("77");
  edit->SetAlignment(taRightJustify);
  EXPECT_EQ(GetWindowLongA(edit->Handle(), GWL_STYLE) & (ES_RIGHT | ES_MULTILINE),
            ES_RIGHT | ES_MULTILINE);
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(value, 77);
  EXPECT_EQ(edit->Text(), "77");
  EXPECT_FALSE(edit->Modified());
  // Deleting the form is no edit of anyone's.
  Type("8");
  delete form;
  form = nullptr;
  EXPECT_EQ(changed, 1);
}

TEST_F(EditTest, TheClickThatBringsTheFocusSelectsAllAndTheNextPlacesTheCaret) {
  edit->SetText("12345");
  next->SetFocus();
  Click(edit->Handle());
  ASSERT_TRUE(edit->Focused());
  EXPECT_EQ(edit->SelStart(), 0);
  EXPECT_EQ(edit->SelLength(), 5);
  Click(edit->Handle());
  EXPECT_EQ(edit->SelLength(), 0);
  next->SetFocus();
  edit->SetFocus();  // as Tab does: the first click still leaves all selected
  Click(edit->Handle());
  EXPECT_EQ(edit->SelLength(), 5);
  Click(edit->Handle());
  EXPECT_EQ(edit->SelLength(), 0);
}

TEST_F(EditTest, ReadAndWriteHandlersReplaceTheBuiltInSteps) {
  int32_t value = 3;
  int reads = 0, writes = 0;
  edit->OnReadData = [&](TObject*) { ++reads; };
  edit->OnWriteData = [&](TObject*) { ++writes; };
  edit->SetDataType(dtLong);
  edit->SetData(&value);
  Type("9");
  EXPECT_EQ(reads, 2);
  EXPECT_EQ(writes, 1);
  EXPECT_EQ(value, 3);
  EXPECT_EQ(edit->Text(), "9");
  edit->OnReadData = nullptr;
  edit->OnWriteData = nullptr;
}

TEST_F(EditTest, KeepsTheHeightItIsGivenAndItsValueThroughAFlatFrame) {
  int32_t value = 42;
  edit->SetDataType(dtLong);
  edit->SetData(&value);
  edit->SetCtl3D(false);
  EXPECT_FALSE(GetWindowLongA(edit->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_EQ(edit->Text(), "42");
  EXPECT_EQ(edit->Height(), 24);
  edit->SelectAll();
  Type("43");
  EXPECT_EQ(value, 43);
  edit->SetData(nullptr);
}

TEST(kxvEdit, RegisterPutsItOnThePalettePageNORDA) {
  Edit::Register();
  const TPaletteEntry* entry = FindRegisteredComponent("kxvEdit");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->Page, "NORDA");
  TForm form(nullptr);
  EXPECT_NE(dynamic_cast<kxvEdit*>(entry->Create(&form)), nullptr);
}
