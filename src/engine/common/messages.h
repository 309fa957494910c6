#pragma once
// Every message the user can be shown, in one table, so that the GUI and the command line say
// exactly the same words and the engine can report an outcome without knowing how it is shown.

#include <string>
#include <string_view>
#include <vector>

namespace lantaro {

enum class Message {
  // Corpus library: import and directory creation.
  ChooseTxtFile,          // 请选择TXT格式的语料文件！
  EnterDisplayName,       // 请输入要显示的语料文档名称！
  ChooseTargetLocation,   // 请选择要将语料存放到的位置！
  ImportSucceeded,        // 语料导入成功
  ImportFailed,           // 语料导入失败
  EnterDirectoryName,     // 请输入新目录名称！
  ChooseParentDirectory,  // 请先选择新子目录所属的上级目录！
  DirectoryCreated,       // 新目录创建成功！
  DirectoryFailed,        // 新目录创建失败！
  // Search.
  NothingTicked,        // 搜索前请先选择语料文献！
  NoDocumentTicked,     // 请在文献列表中选择要搜索的语料文件！
  EnterKeyword,         // 请输入检索关键词！
  CountOutOfRange,      // 字数必须是0到100000之间的整数！
  LastPositionReached,  // 当前已到最末位置
  NoDocumentDisplayed,  // 请先在文献列表中双击要显示的文献！
  NoSearchYet,          // 请先进行检索！
  // Extraction and export.
  NoResultsToExtract,    // 当前没有搜索结果可供提取！
  NothingToSave,         // 当前没有内容可保存！
  SaveSucceeded,         // 保存成功！
  SaveFailed,            // 保存失败！
  NoResultsToExport,     // 当前没有搜索结果供导出！
  SpreadsheetAppFailed,  // Excel 程序创建失败！可能没有安装Excel,或本软件没有获得调用excel的权限。
};

// The exact Chinese text (UTF-8).
std::string_view message_text(Message message);

// Texts with a variable part.
// Asked before an import replaces a document of the same name.
std::string replace_document_question(std::string_view display_name_utf8);
// When the corpus folder's path is taken by something that is not a folder (a file, say).
std::string corpus_folder_unusable_message(std::string_view corpus_folder_utf8);
// After a search that could not read some documents: names up to ten, then "等N部".
std::string unreadable_documents_message(const std::vector<std::string>& display_names_utf8);

}  // namespace lantaro
