// Metafile and Metatag natives: documents built, saved, loaded and queried
// by scripts, and tag handles that die with their document.
#include <gtest/gtest.h>

#include <string>

#include "tests/scriptapi/api_fixture.h"
#include "tests/support/files.h"

namespace {

// Files go to the scratch folder by absolute path (dir): writes go to the
// disk, not to the search path.
class MetafileApi : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        sq_pushstring(V(), (Folder().string() + "/").c_str(), -1);
        SetRoot("dir");
    }

    // Builds ::doc, a document with the root "Game" holding one tag of each
    // value type, and saves it as save.zml.
    void BuildSavedGame() {
        ASSERT_EQ(Printed("::doc <- MetafileNew(); local game = MetafileAddRoot(doc, \"Game\");"
                          "MetatagAddChildWithValue(game, \"Name\", \"hero\");"
                          "MetatagAddChildWithValue(game, \"Lives\", 3);"
                          "MetatagAddChildWithValue(game, \"Speed\", 2.5);"
                          "MetatagAddChildWithValue(game, \"Sound\", true);"
                          "MetatagAddChild(game, \"Inventory\");"
                          "MetafileAddRootWithValue(doc, \"Version\", 2);"
                          "print(MetafileSave(doc, dir + \"save.zml\"));"),
                  "true");
    }

    std::string ReadText(const char* name) { return ReadWholeFile((Folder() / name).string()); }
};

const char* const ShowTag = "function Show(t) { return MetatagGetName(t) + \" \" + MetatagGetType(t) + \" \" +"
                            " MetatagGetValue(t); }\n";

TEST_F(MetafileApi, ADocumentRoundTripsThroughAFile) {
    BuildSavedGame();
    const std::string text = ReadText("save.zml");
    EXPECT_NE(text.find("Lives=3"), std::string::npos) << text;
    EXPECT_NE(text.find("\"hero\""), std::string::npos) << text;
    EXPECT_EQ(Printed(std::string(ShowTag) +
                      "local copy = MetafileNew(); print(MetafileLoad(copy, dir + \"save.zml\"));"
                      "foreach (root in MetafileGetRoots(copy)) print(MetatagGetName(root));"
                      "foreach (tag in MetatagGetChildren(MetafileGetTag(copy, \"Game;\"))) print(Show(tag));"),
              "true\nGame\nVersion\nName 4 hero\nLives 3 3\nSpeed 1 2.5\nSound 2 true\nInventory 0 -1");
    EXPECT_NE(log.Text().find("[!] Cannot get value from tag 'Inventory'. Unsupported type.\n"), std::string::npos);
}

TEST_F(MetafileApi, TagsAreFoundByPathAndType) {
    BuildSavedGame();
    const ScriptRow rows[] = {
        {"print(MetatagGetValue(MetafileGetTag(doc, \"Game:Lives;\")))", "3"},
        {"print(MetatagGetValue(MetafileGetTypedTag(doc, \"Game:Speed;\", 1)))", "2.5"},
        // The wrong type, or no such tag: a handle holding nothing.
        {"local t = MetafileGetTypedTag(doc, \"Game:Speed;\", 3);"
         "print(ObjectIsValid(t) + \" \" + MetatagGetName(t) + \" \" + MetatagGetType(t) + \" \" +"
         "MetatagGetValue(t))",
         "false [Invalid Tag Pointer] 0 -2"},
        {"print(ObjectIsValid(MetafileGetTag(doc, \"Game:Missing;\")))", "false"},
        {"local game = MetafileGetTag(doc, \"Game;\");"
         "print(MetatagGetValue(MetatagGetTag(game, \"Name;\")) + \" \" +"
         "MetatagGetValue(MetatagGetTypedTag(game, \"Sound;\", 2)) + \" \" +"
         "ObjectIsValid(MetatagGetTypedTag(game, \"Sound;\", 4)))",
         "hero true false"},
        {"print(MetatagGetChildren(MetafileGetTag(doc, \"Version;\")).len())", "0"},
    };
    ExpectScripts(rows);
}

TEST_F(MetafileApi, ValuesTakeTheTypeOfTheScriptValue) {
    const std::string setEachType = std::string(ShowTag) +
                                    "::tag <- MetafileAddRoot(::doc <- MetafileNew(), \"V\"); print(Show(tag));"
                                    "MetatagSetValue(tag, 1.5); print(Show(tag));"
                                    "MetatagSetValue(tag, false); print(Show(tag));"
                                    "MetatagSetValue(tag, -7); print(Show(tag));"
                                    "MetatagSetValue(tag, \"x y\"); print(Show(tag));";
    const ScriptRow rows[] = {
        {setEachType.c_str(), "V 0 -1\nV 1 1.5\nV 2 false\nV 3 -7\nV 4 x y"},
        // Anything else leaves the tag as it was.
        {"MetatagSetValue(tag, [1, 2]); MetatagSetValue(tag, null); print(MetatagGetValue(tag))", "x y"},
        {"print(MetatagGetValue(MetafileAddRootWithValue(doc, \"W\", {})))", "-1"},
    };
    ExpectScripts(rows);
    EXPECT_NE(log.Text().find("[!] Cannot convert input Squirrel type to metatag value.\n"
                              "[*] Incorrect binding argument count.\n"),
              std::string::npos);
}

TEST_F(MetafileApi, AValueTagTakesNoChildren) {
    EXPECT_EQ(Printed("local doc = MetafileNew(); local lives = MetafileAddRootWithValue(doc, \"Lives\", 3);"
                      "local child = MetatagAddChild(lives, \"Extra\");"
                      "print(ObjectIsValid(child) + \" \" + MetatagGetChildren(lives).len());"
                      "print(ObjectIsValid(MetatagAddChildWithValue(lives, \"More\", 1)))"),
              "false 0\nfalse");
    EXPECT_NE(log.Text().find("[!] Cannot add child to tag 'Lives' as it is neither a pure tag or a node.\n"),
              std::string::npos);
}

TEST_F(MetafileApi, TagHandlesDieWithTheirDocument) {
    const u32 before = GetScriptObjectCount();
    const ScriptRow rows[] = {
        {"local doc = MetafileNew(); ::root <- MetafileAddRoot(doc, \"A\");"
         "::deep <- MetatagAddChild(MetatagAddChild(root, \"B\"), \"C\");"
         "MetafileDelete(doc); print(MetatagGetName(deep)); doc = null;"
         "print(ObjectIsValid(root) + \" \" + ObjectIsValid(deep))",
         "C\nfalse false"},
        {"MetatagGetName(deep)", "error: Expected 'Metatag' got 'Deleted native'"},
        {"MetatagAddChild(root, \"D\")", "error: Expected 'Metatag' got 'Deleted native'"},
    };
    ExpectScripts(rows);
    // The two dead handles stay until their slots go.
    EXPECT_EQ(GetScriptObjectCount(), before + 2);
}

TEST_F(MetafileApi, ALoadReplacesTheRootsAndTheirHandles) {
    BuildSavedGame();
    const ScriptRow rows[] = {
        {"::mine <- MetafileNew(); ::old <- MetafileAddRoot(mine, \"Old\");"
         "print(MetafileLoad(mine, dir + \"missing.zml\") + \" \" + MetatagGetName(old))",
         "false Old"},
        {"print(MetafileLoad(mine, dir + \"save.zml\") + \" \" + ObjectIsValid(old) + \" \" +"
         "MetafileGetRoots(mine).len() + \" \" + MetatagGetValue(MetafileGetTag(mine, \"Version;\")))",
         "true false 2 2"},
        // A broken file replaces the roots with what was read up to the fault,
        // the broken tag included.
        {"::kept <- MetafileGetTag(mine, \"Version;\");"
         "print(MetafileLoad(mine, dir + \"broken.zml\") + \" \" + ObjectIsValid(kept) + \" \" +"
         "MetafileGetRoots(mine).len())",
         "false false 2"},
    };
    WriteFile("broken.zml", "<ZML=1.0>\n<First=1>\n<Second=");
    ExpectScripts(rows);
}

TEST_F(MetafileApi, ArgumentErrors) {
    const ScriptRow rows[] = {
        {"MetafileLoad(g_engine, \"save.zml\")", "error: Expected 'Metafile' got 'Engine'"},
        {"MetatagGetName(MetafileNew())", "error: Expected 'Metatag' got 'Metafile'"},
        {"MetafileGetRoots(MetafileGetTag(MetafileNew(), \"X;\"))", "error: Expected 'Metafile' got 'Metatag'"},
        {"MetatagSetValue(MetafileGetTag(MetafileNew(), \"X;\"), 1)", "error: CObject is null"},
        {"MetatagAddChild(MetafileGetTag(MetafileNew(), \"X;\"), \"Y\")", "error: CObject is null"},
        {"MetatagGetChildren(MetafileGetTag(MetafileNew(), \"X;\"))", "error: CObject is null"},
        {"MetafileNew(1)", "error: wrong number of parameters"},
        {"MetafileGetTypedTag(MetafileNew(), \"X;\", \"1\")",
         "error: parameter 3 has an invalid type 'string' ; expected: 'integer'"},
    };
    ExpectScripts(rows);
}

} // namespace
