#include "engine/common/messages.h"

namespace lantaro {

std::string_view message_text(Message message) {
  switch (message) {
    case Message::ChooseTxtFile: return "请选择TXT格式的语料文件！";
    case Message::EnterDisplayName: return "请输入要显示的语料文档名称！";
    case Message::ChooseTargetLocation: return "请选择要将语料存放到的位置！";
    case Message::ImportSucceeded: return "语料导入成功";
    case Message::ImportFailed: return "语料导入失败";
    case Message::EnterDirectoryName: return "请输入新目录名称！";
    case Message::ChooseParentDirectory: return "请先选择新子目录所属的上级目录！";
    case Message::DirectoryCreated: return "新目录创建成功！";
    case Message::DirectoryFailed: return "新目录创建失败！";
    case Message::NothingTicked: return "搜索前请先选择语料文献！";
    case Message::NoDocumentTicked: return "请在文献列表中选择要搜索的语料文件！";
    case Message::EnterKeyword: return "请输入检索关键词！";
    case Message::CountOutOfRange: return "字数必须是0到100000之间的整数！";
    case Message::LastPositionReached: return "当前已到最末位置";
    case Message::NoDocumentDisplayed: return "请先在文献列表中双击要显示的文献！";
    case Message::NoSearchYet: return "请先进行检索！";
    case Message::NoResultsToExtract: return "当前没有搜索结果可供提取！";
    case Message::NothingToSave: return "当前没有内容可保存！";
    case Message::SaveSucceeded: return "保存成功！";
    case Message::SaveFailed: return "保存失败！";
    case Message::NoResultsToExport: return "当前没有搜索结果供导出！";
    case Message::SpreadsheetAppFailed:
      return "Excel 程序创建失败！可能没有安装Excel,或本软件没有获得调用excel的权限。";
  }
  return {};
}

std::string replace_document_question(std::string_view display_name_utf8) {
  return "目标目录中已有名为“" + std::string(display_name_utf8) + "”的文献，是否替换？";
}

std::string corpus_folder_unusable_message(std::string_view corpus_folder_utf8) {
  return "语料库文件夹“" + std::string(corpus_folder_utf8) + "”不是文件夹，无法读取语料。";
}

std::string unreadable_documents_message(const std::vector<std::string>& names) {
  std::string text = "以下文献无法读取，未被搜索：";
  std::size_t shown = names.size() < 10 ? names.size() : 10;
  for (std::size_t i = 0; i < shown; ++i) {
    if (i) text += "、";
    text += names[i];
  }
  if (names.size() > shown) text += "等" + std::to_string(names.size()) + "部";
  return text;
}

}  // namespace lantaro
