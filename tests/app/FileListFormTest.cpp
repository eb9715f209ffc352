// The file-list windows' model: the tree of a file list, the size labels, and taking files
// and folders out of a real plan, which the run then honours.
#include <functional>

#include "app/FileListForm.h"
#include "app/Preview.h"
#include "app/SizeText.h"
#include "engine/EngineTestSupport.h"

namespace vog::test {
namespace {

using Set = std::set<std::wstring>;

std::unique_ptr<TFileInfo> Record(const std::wstring& fullPath, TBackupInfo* item = nullptr, int64_t size = 0) {
  auto record = std::make_unique<TBackupFileInfo>();
  const size_t slash = fullPath.rfind(L'\\');
  // The whole folder as root, as a scan of that folder would give.
  record->SetPath(fullPath.substr(0, slash + 1), L"", fullPath.substr(slash + 1));
  record->BackupInfo = item;
  record->Size = size;
  return record;
}

// The tree as lines of two-space indented node texts ("[]" marks an empty text).
std::wstring Render(const TFileTree& tree) {
  std::wstring out;
  std::function<void(int, int)> walk = [&](int node, int depth) {
    const std::wstring& text = tree.Node(node).Text;
    out += std::wstring(static_cast<size_t>(depth) * 2, L' ') + (text.empty() ? L"[]" : text) + L"\n";
    for (int child : tree.Node(node).Children) walk(child, depth + 1);
  };
  for (int root : tree.Roots()) walk(root, 0);
  return out;
}

TEST(FileTreeTest, BuildsDrivesFoldersBeforeFilesAndShareRoots) {
  struct Case {
    std::vector<std::wstring> files;
    std::wstring tree;
  };
  const Case cases[] = {
      {{L"C:\\a\\x.txt", L"C:\\a\\b\\y.txt"}, L"C:\n  a\n    b\n      y.txt\n    x.txt\n"},
      {{L"C:\\x.txt"}, L"C:\n  []\n    x.txt\n"},
      {{L"\\\\server\\share\\d\\f.txt", L"C:\\z.txt", L"\\\\server\\share\\g.txt"},
       L"C:\n  []\n    z.txt\n\\\\server\\share\n  []\n    g.txt\n  d\n    f.txt\n"},
      // Entries of an archive have no drive: one root with empty text.
      {{L"a\\x.txt"}, L"[]\n  a\n    x.txt\n"},
      // Folders case-blind in the table, files in list order.
      {{L"C:\\A\\2.txt", L"C:\\a\\1.txt"}, L"C:\n  A\n    2.txt\n    1.txt\n"},
  };
  for (const Case& c : cases) {
    TOwnedFileInfoList files;
    for (const std::wstring& path : c.files) files.Add(Record(path));
    TFileTree tree;
    tree.Build(files.View());
    EXPECT_EQ(Render(tree), c.tree) << c.files[0];
  }
}

TEST(FileTreeTest, ExpandsWholeTreeUpTo20000FilesElseOnlyTheFirstRoot) {
  for (const int count : {20000, 20001}) {
    TOwnedFileInfoList files;
    for (int i = 0; i < count; ++i)
      files.Add(Record(L"C:\\f" + std::to_wstring(i / 1000) + L"\\" + std::to_wstring(i) + L".txt"));
    TFileTree tree;
    tree.Build(files.View());
    const int firstFolder = tree.Node(tree.Roots()[0]).Children[0];
    EXPECT_EQ(tree.ExpandAll(), count == 20000);
    EXPECT_TRUE(tree.StartsExpanded(tree.Roots()[0]));
    EXPECT_EQ(tree.StartsExpanded(firstFolder), count == 20000);
    EXPECT_EQ(tree.NodePath(tree.Node(firstFolder).Children[0]), L"C:\\f0\\0.txt");
  }
}

TEST(SizeTextTest, UnitTableAtItsBoundaries) {
  const std::pair<int64_t, std::wstring> cases[] = {
      {0, L"0 バイト "},
      {1024, L"1,024 バイト "},
      {1536, L"1.50 KB "},
      {10 * 1024 + 1, L"10.0 KB "},
      {int64_t{1} << 20, L"1,024 KB "},
      {150 * (int64_t{1} << 20), L"150 MB "},
      {int64_t{1} << 30, L"1,024 MB "},
      {3 * (int64_t{1} << 30) / 2, L"1.50 GB "},
      {int64_t{2000} << 30, L"2,000 GB "},
      {-5, L"-5 バイト "},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(SizeText(bytes), text) << bytes;
  EXPECT_EQ(CountAndSizeText(3, 1536), L"3 個   1.50 KB ");
}

TEST(FileListFormTest, MenuTextsFoldersToOpenRegistrationAndFontChooser) {
  TBackupInfo item;
  item.DestFolder = L"\\\\nas\\bk\\Docs";
  TOwnedFileInfoList files;
  files.Add(Record(L"C:\\a\\x.txt", &item, 1));
  files.Add(Record(L"C:\\a\\b\\c\\y.txt", &item, 2));
  TFileInfoList view = files.View();
  TCopyFileListForm form;
  form.SetFileList(&view);
  form.FormShow();
  const TFileTree& tree = form.Tree();
  const int root = tree.Roots()[0], a = tree.Node(root).Children[0], b = tree.Node(a).Children[0];
  const int x = tree.Node(a).Children[1];
  const std::pair<int, std::wstring> opens[] = {
      {root, L"C:\\"}, {a, L"C:\\a"}, {b, L"C:\\a\\b"}, {x, L"C:\\a"}, {-1, L""}};
  for (const auto& [node, folder] : opens) EXPECT_EQ(form.FolderToOpen(node), folder) << node;

  form.RegisterFile(x, true);
  form.RegisterFile(x, true);
  form.RegisterFile(b, false);  // not a file: nothing
  EXPECT_EQ(form.RegisteredTargets.size(), 1u);
  EXPECT_EQ(form.RegisteredTargets.at(L"X.TXT"), &item);
  EXPECT_TRUE(form.RegisteredExcluded.empty());
  EXPECT_EQ(form.DestinationDrives(), std::vector<std::wstring>{L"\\\\nas\\bk"});

  struct FontCase {
    std::wstring name, size;
    bool applies;
    std::wstring fontAfter;
    int32_t sizeAfter;
  };
  const FontCase fonts[] = {
      {L"", L"12", false, L"", 9},
      {L"Noto Sans", L"12", true, L"Noto Sans", 12},
      {std::wstring(kFontSeparator), L"1x", true, L"Noto Sans", 12},
      {L"Other", L"0", true, L"Other", 12},
  };
  for (const FontCase& c : fonts) {
    EXPECT_EQ(form.ChooseFont(c.name, c.size), c.applies) << c.name;
    EXPECT_EQ(form.FontName, c.fontAfter);
    EXPECT_EQ(form.FontSize, c.sizeAfter);
  }
}

class PreviewPlanTest : public EngineTest {
protected:
  int Find(const TFileTree& tree, const std::wstring& path) {
    for (int i = 0; i < tree.NodeCount(); ++i)
      if (!tree.Node(i).Removed && tree.NodePath(i) == path) return i;
    ADD_FAILURE() << "no node " << WideToUtf8(path);
    return -1;
  }
  void ExcludeAndRun(bool bulk);
};

// The preview takes a source folder, one file and a folder mirroring would delete out of
// a real plan; the run then copies and deletes exactly what is left. `bulk`: the records
// leave the plan all at once (as a run's preview does), else one by one through the view.
void PreviewPlanTest::ExcludeAndRun(bool bulk) {
  TBackupInfo& item = Item();
  Fs().AddFile(L"D:\\Src\\a.txt", "aa");
  Fs().AddFile(L"D:\\Src\\keep-out.txt", "k");
  Fs().AddFile(L"D:\\Src\\sub\\b.txt", "bbb");
  Fs().AddFile(L"D:\\Src\\sub\\deep\\c.txt", "c");
  Fs().AddFolder(L"D:\\Src\\sub\\empty");
  Fs().AddFolder(L"D:\\Src\\sub2");  // begins like "sub" but is not below it
  Fs().AddFile(L"D:\\Src\\sub3\\d.txt", "d");
  Fs().AddFolder(L"E:\\Dst\\Src\\sub");  // there already: not among the folders to create
  Fs().AddFile(L"E:\\Dst\\Src\\old.txt", "o");
  Fs().AddFile(L"E:\\Dst\\Src\\gone\\e.txt", "e");
  Fs().AddFile(L"E:\\Dst\\Src\\gone\\in\\f.txt", "f");
  Fs().AddFile(L"E:\\Dst\\Src\\gone2\\g.txt", "g");
  TBackup backup;
  backup.AddItem(&item);
  backup.Plan();

  TCopyFileListForm copy;
  SetUpCopyPreview(copy, PreviewListsOf(backup), TPreviewLook{});
  if (!bulk) copy.RemoveFiles = copy.RemoveMirroringFiles = nullptr;
  copy.FormShow();
  EXPECT_EQ(copy.FileSizeText(), L"5 個   8 バイト ");
  ASSERT_TRUE(copy.Exclude(Find(copy.Tree(), L"D:\\Src\\sub")));
  ASSERT_TRUE(copy.Exclude(Find(copy.Tree(), L"D:\\Src\\keep-out.txt")));
  EXPECT_EQ(copy.FileSizeText(), L"2 個   3 バイト ");
  EXPECT_EQ(Paths(backup.NewFolders), (Set{L"E:\\Dst\\Src\\sub2", L"E:\\Dst\\Src\\sub3"}));
  EXPECT_EQ(Paths(backup.Items[0]->CopyFiles), (Set{L"D:\\Src\\a.txt", L"D:\\Src\\sub3\\d.txt"}));

  ASSERT_TRUE(copy.MirroringBarShown());
  auto mirroring = copy.MakeMirroringForm();
  mirroring->FormShow();
  ASSERT_TRUE(mirroring->Exclude(Find(mirroring->Tree(), L"E:\\Dst\\Src\\gone")));
  copy.MirroringFormClosed(*mirroring, TWindowPlace{1, 2, 300, 200});
  EXPECT_EQ(copy.MirroringSizeText(), L"2 個   2 バイト ");
  EXPECT_EQ(Paths(backup.MirrorFolders), Set{L"E:\\Dst\\Src\\gone2"});
  EXPECT_TRUE(copy.MirroringPlace.Known());

  backup.Execute();
  EXPECT_EQ(Paths(backup.CopiedFiles), (Set{L"E:\\Dst\\Src\\a.txt", L"E:\\Dst\\Src\\sub3\\d.txt"}));
  EXPECT_EQ(backup.ErrorFiles.Count(), 0);
  EXPECT_EQ(Fs().ListTree(L"E:\\Dst\\Src"),
            (std::vector<std::wstring>{L"a.txt", L"gone\\", L"gone\\e.txt", L"gone\\in\\", L"gone\\in\\f.txt",
                                       L"sub2\\", L"sub3\\", L"sub3\\d.txt", L"sub\\"}));
}

TEST_F(PreviewPlanTest, ExcludedFoldersAndFilesLeaveThePlanAndTheRun) { ExcludeAndRun(true); }
TEST_F(PreviewPlanTest, ExcludedOneByOneThroughTheEnginesView) { ExcludeAndRun(false); }

}  // namespace
}  // namespace vog::test
