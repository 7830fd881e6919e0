// Applying scripts to the host registry and removing them: value types and
// their bytes, the keywords, protected names, skipping of missing keys,
// foreign subkeys, the take-back of a failing root block, and reading a
// script from the library's resources.
#include "server/registrar/regScriptParser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/host/registryTesting.h"
#include "server/registrar/regObject.h"
#include "tests/server/registryDump.h"

namespace {

using Lines = std::vector<std::string>;

class RegistryScript : public ::testing::Test {
 protected:
  void SetUp() override {
    ZolmRegistryReset(FALSE);
    handlesBefore = ZolmRegistryOpenHandles();
  }
  void TearDown() override { EXPECT_EQ(ZolmRegistryOpenHandles(), handlesBefore); }

  HRESULT Register(const std::string& script) { return registrar.ApplyScriptText(script.c_str(), true); }
  HRESULT Unregister(const std::string& script) {
    return registrar.ApplyScriptText(script.c_str(), false);
  }
  Lines Tree() { return DumpTree(HKEY_CLASSES_ROOT); }

  CRegObject registrar;
  DWORD handlesBefore = 0;
};

}  // namespace

TEST_F(RegistryScript, EmptyScriptChangesNothingAndBlanksAreAnError) {
  EXPECT_EQ(Register(""), S_OK);
  EXPECT_EQ(Register(" \r\n\t"), DISP_E_EXCEPTION);
  EXPECT_EQ(Unregister(""), S_OK);
  EXPECT_TRUE(Tree().empty());
}

TEST_F(RegistryScript, RegistersAndRemovesAKeyWithItsDefaultValue) {
  ASSERT_EQ(Register("HKCR { A = s 'x' }"), S_OK);
  EXPECT_EQ(Tree(), (Lines{"A", "A|@|1|x"}));
  ASSERT_EQ(Unregister("HKCR { A = s 'x' }"), S_OK);
  EXPECT_TRUE(Tree().empty());
}

TEST_F(RegistryScript, KeyNameWithoutBlanksIsOneToken) {
  ASSERT_EQ(Register("HKCR { A=s }"), S_OK);
  EXPECT_EQ(Tree(), (Lines{"A=s"}));
}

TEST_F(RegistryScript, WritesTheFourValueTypes) {
  ASSERT_EQ(Register("HKCR { K { val S = s 'text' val M1 = m 'a\\0b' val M2 = M ''\n"
                     "val M3 = m 'a\\0\\0b' val D = d 4294967295 val B1 = b 0a1B\n"
                     "val B2 = B 0g val B3 = b '' } }"),
            S_OK);
  EXPECT_EQ(Tree(), (Lines{"K", "K|B1|3|0a1b", "K|B2|3|00", "K|B3|3|", "K|D|4|ffffffff",
                           "K|M1|7|6100620000", "K|M2|7|00", "K|M3|7|610000", "K|S|1|text"}));
}

TEST_F(RegistryScript, BadValuesFailAndAreTakenBack) {
  EXPECT_EQ(Register("HKCR { K { val B = b abc } }"), E_FAIL);
  EXPECT_EQ(Register("HKCR { K { val X = q 'x' } }"), DISP_E_EXCEPTION);
  EXPECT_TRUE(Tree().empty());
  // The take-back pass reads the same text: where that text cannot be read
  // it stops too, and the key it had reached stays.
  EXPECT_EQ(Register("HKCR { K { val X 'x' } }"), DISP_E_EXCEPTION);
  EXPECT_EQ(Tree(), (Lines{"K"}));
}

// Text that is no unsigned 32-bit number fails with the conversion's code
// instead of writing an undefined number.
TEST_F(RegistryScript, DwordThatIsNoNumberFailsTheScript) {
  HRESULT hr = Register("HKCR { K { val D = d 'twelve' } }");
  EXPECT_TRUE(FAILED(hr));
  EXPECT_NE(hr, DISP_E_EXCEPTION);
  EXPECT_TRUE(FAILED(Register("HKCR { K { val D = d 4294967296 } }")));
  EXPECT_TRUE(Tree().empty());
  ASSERT_EQ(Register("HKCR { K { val D = d 12 } }"), S_OK);
  EXPECT_EQ(Tree(), (Lines{"K", "K|D|4|0c000000"}));
}

// A value name longer than its 259-byte store is refused, never cut.
TEST_F(RegistryScript, ValueNameLongerThan259BytesIsAnError) {
  std::string name259(259, 'v');
  ASSERT_EQ(Register("HKCR { K { val " + name259 + " = s 'x' } }"), S_OK);
  EXPECT_EQ(Tree(), (Lines{"K", "K|" + name259 + "|1|x"}));
  EXPECT_EQ(Register("HKCR { K { val " + name259 + "v = s 'y' } }"), DISP_E_EXCEPTION);
  EXPECT_EQ(Unregister("HKCR { K { val " + name259 + "v = s 'x' } }"), DISP_E_EXCEPTION);
  // Neither a cut name was written nor the 259-byte value removed.
  EXPECT_EQ(Tree(), (Lines{"K", "K|" + name259 + "|1|x"}));
}

TEST_F(RegistryScript, KeywordsWorkInAnyCaseAndQuoted) {
  ASSERT_EQ(Register("hkcr { noremove A { 'Val' v = S 'x' VAL w = s 'y' } }"), S_OK);
  EXPECT_EQ(Tree(), (Lines{"A", "A|v|1|x", "A|w|1|y"}));
  ASSERT_EQ(Unregister("HKEY_CLASSES_ROOT { NOREMOVE A { val v = s 'x' } }"), S_OK);
  EXPECT_EQ(Tree(), (Lines{"A", "A|w|1|y"}));
}

TEST_F(RegistryScript, ClosingTokenNeedsOnlyItsFirstCharacter) {
  ASSERT_EQ(Register("HKCR {x A }tail"), S_OK);
  EXPECT_EQ(Tree(), (Lines{"A"}));
}

TEST_F(RegistryScript, BadRootsAndBackslashesAreErrors) {
  EXPECT_EQ(Register("HKXX { A }"), DISP_E_EXCEPTION);
  EXPECT_EQ(Register("HKCR A }"), DISP_E_EXCEPTION);
  EXPECT_EQ(Register("HKCR { A\\B }"), DISP_E_EXCEPTION);
  EXPECT_EQ(Register("HKCR { ForceRemove A\\B }"), DISP_E_EXCEPTION);
  EXPECT_EQ(Unregister("HKCR { A\\B }"), DISP_E_EXCEPTION);
  EXPECT_TRUE(Tree().empty());
  // A block that never closes fails where the text ends.
  EXPECT_EQ(Register("HKCR { A"), DISP_E_EXCEPTION);
  EXPECT_EQ(Unregister("HKCR { A"), DISP_E_EXCEPTION);
}

TEST_F(RegistryScript, ForceRemoveRebuildsAKeyButSparesProtectedNames) {
  CreateKey(HKEY_CLASSES_ROOT, "A\\Old\\Deeper");
  CreateKey(HKEY_CLASSES_ROOT, "CLSID\\Other");
  ASSERT_EQ(Register("HKCR { ForceRemove A { New } ForceRemove clsid { X } }"), S_OK);
  EXPECT_EQ(Tree(), (Lines{"A", "A\\New", "CLSID", "CLSID\\Other", "CLSID\\X"}));
}

TEST_F(RegistryScript, DeleteRemovesATreeAndIgnoresItsAssignment) {
  CreateKey(HKEY_CLASSES_ROOT, "Gone\\Below");
  CreateKey(HKEY_CLASSES_ROOT, "Software\\Kept");
  ASSERT_EQ(Register("HKCR { Delete Gone = s 'ignored' Delete software Delete Missing }"), S_OK);
  EXPECT_EQ(Tree(), (Lines{"Software", "Software\\Kept"}));
  // Unregistering, Delete is a plain key entry.
  ASSERT_EQ(Unregister("HKCR { Delete Software { Kept } }"), S_OK);
  EXPECT_TRUE(Tree().empty());
}

TEST_F(RegistryScript, NoRemoveKeepsTheKeyButRemovesItsListedChildren) {
  ASSERT_EQ(Register("HKCR { NoRemove CLSID { X { Y } } }"), S_OK);
  ASSERT_EQ(Unregister("HKCR { NoRemove CLSID { X { Y } } }"), S_OK);
  EXPECT_EQ(Tree(), (Lines{"CLSID"}));
}

TEST_F(RegistryScript, KeysWithForeignSubkeysSurviveUnregistering) {
  ASSERT_EQ(Register("HKCR { A = s 'v' { B val n = s 'x' } }"), S_OK);
  CreateKey(HKEY_CLASSES_ROOT, "A\\Foreign");
  ASSERT_EQ(Unregister("HKCR { A = s 'v' { B val n = s 'x' } }"), S_OK);
  EXPECT_EQ(Tree(), (Lines{"A", "A\\Foreign", "A|@|1|v"}));
}

TEST_F(RegistryScript, UnregisteringMissingKeysChangesNothing) {
  CreateKey(HKEY_CLASSES_ROOT, "Present");
  ASSERT_EQ(Unregister("HKCR { Missing { Deeper { val v = s 'x' } } NoRemove Gone { val w = "
                       "s 'y' } }"),
            S_OK);
  EXPECT_EQ(Tree(), (Lines{"Present"}));
}

TEST_F(RegistryScript, FailingRootBlockIsTakenBackAndEarlierOnesStay) {
  CreateKey(HKEY_CLASSES_ROOT, "Existing");
  HRESULT hr = Register("HKCR { First = s 'a' }\r\nHKCR { Second = s 'b' Existing { Child } "
                        "Third = q 'x' }\r\nHKCR { Never }");
  EXPECT_EQ(hr, DISP_E_EXCEPTION);
  // The take-back removes what the failing block lists, a key that existed
  // before included, once nothing is left below it.
  EXPECT_EQ(Tree(), (Lines{"First", "First|@|1|a"}));
}

TEST_F(RegistryScript, RegisteringTwiceGivesTheSameTree) {
  const std::string script =
      "HKCR { P.1 = s 'P' { CLSID = s '{X}' } NoRemove CLSID { ForceRemove {X} = s 'P' { "
      "ForceRemove 'Programmable' InprocServer32 = s 'lib' { val ThreadingModel = s "
      "'Apartment' } } } }";
  ASSERT_EQ(Register(script), S_OK);
  Lines first = Tree();
  CreateKey(HKEY_CLASSES_ROOT, "CLSID\\{X}\\Foreign");
  ASSERT_EQ(Register(script), S_OK);
  EXPECT_EQ(Tree(), first);
  EXPECT_EQ(first.size(), 11u);
}

// Nesting deeper than the registry's own limit is refused before the stack
// could run out.
TEST_F(RegistryScript, NestingIsLimited) {
  std::string allowed = "HKCR {";
  for (int i = 1; i < kRegMaxNesting; ++i) allowed += " K {";
  for (int i = 1; i <= kRegMaxNesting; ++i) allowed += " }";
  EXPECT_EQ(Register(allowed), S_OK);
  EXPECT_EQ(Unregister(allowed), S_OK);
  EXPECT_TRUE(Tree().empty());
  std::string deep = "HKCR {";
  for (int i = 0; i < kRegMaxNesting; ++i) deep += " K {";
  for (int i = 0; i <= kRegMaxNesting; ++i) deep += " }";
  EXPECT_EQ(Register(deep), DISP_E_EXCEPTION);
  EXPECT_EQ(Unregister(deep), DISP_E_EXCEPTION);
}

TEST_F(RegistryScript, ReadsTheScriptFromTheLibraryResources) {
  std::string library = std::string(ZOLM_BUILD_DIR) + "/libzolmcom.so";
  std::u16string path(library.begin(), library.end());
  LPCOLESTR file = reinterpret_cast<LPCOLESTR>(path.c_str());
  ASSERT_EQ(registrar.SetReplacement(OLESTR("Module"), OLESTR("/lib/it''s.so")), S_OK);
  ASSERT_EQ(registrar.RegisterResource(file, 101, OLESTR("REGISTRY")), S_OK);
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "Zolmcom.FontFile.1\\CLSID"));
  Lines tree = Tree();
  EXPECT_NE(std::find(tree.begin(), tree.end(),
                      "CLSID\\{CB8D375B-53BB-47B0-AF30-9EF7AA144F3D}\\InprocServer32|@|1|/lib/"
                      "it's.so"),
            tree.end());
  ASSERT_EQ(registrar.UnregisterResource(file, 101, OLESTR("REGISTRY")), S_OK);
  EXPECT_EQ(Tree(), (Lines{"CLSID"}));

  EXPECT_EQ(registrar.RegisterResource(file, 103, OLESTR("REGISTRY")),
            static_cast<HRESULT>(0x80070716));  // ERROR_RESOURCE_NAME_NOT_FOUND
  EXPECT_EQ(registrar.RegisterResource(OLESTR("/nonexistent/lib.so"), 101, OLESTR("REGISTRY")),
            static_cast<HRESULT>(0x80070002));
  EXPECT_EQ(registrar.RegisterResource(file, 101, nullptr), E_OUTOFMEMORY);
  EXPECT_EQ(registrar.RegisterResourceByName(file, nullptr, OLESTR("REGISTRY")), E_INVALIDARG);
  EXPECT_EQ(registrar.RegisterResourceByName(file, OLESTR("#101"), OLESTR("REGISTRY")), S_OK);
}
