#include "exchange/message_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "messages/quill.h"
#include "platform/winapi.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"

namespace {

constexpr const char* kNotReceived = "NotReceived";

// Room for the program's path: Linux paths are not limited to MAX_PATH, and a
// cut path would put the argument at the wrong place.
constexpr DWORD kModulePathSize = 4096;

void CopyCut(char* destination, std::size_t size, const std::string& source) {
  if (destination == nullptr || size == 0) return;
  const std::size_t n = std::min(source.size(), size - 1);
  std::memcpy(destination, source.data(), n);
  destination[n] = '\0';
}

std::string TempFolder() {
  char buffer[kModulePathSize] = {};
  const DWORD n = GetTempPathA(sizeof buffer, buffer);
  std::string folder = n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string("/tmp/");
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// The name the file really has, found without regard to case (as the
// platform's file search matches), with the folder part kept as given.
// "" when there is no such file, or it is a folder.
std::string RealFileName(const std::string& path) {
  WIN32_FIND_DATAA found{};
  HANDLE find = FindFirstFileA(path.c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return "";
  FindClose(find);
  if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return "";
  found.cFileName[sizeof found.cFileName - 1] = '\0';
  const std::size_t slash = path.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  return folder + found.cFileName;
}

}  // namespace

std::string MessageFileFolder() { return TempFolder() + MessageFileFolderName; }

void GetProgramNameAndArgument(char* programName, std::size_t programNameSize, char* argument,
                               std::size_t argumentSize) {
  CopyCut(programName, programNameSize, "");
  CopyCut(argument, argumentSize, "");

  const char* line = GetCommandLineA();
  std::string commandLine = line != nullptr ? line : "";
  LogFile.Log(3, "GetProgramNameAndArgument", commandLine.c_str());

  char module[kModulePathSize] = {};
  const DWORD length = GetModuleFileNameA(nullptr, module, sizeof module);
  std::string path(module, std::min<std::size_t>(length, sizeof module - 1));
  if (!path.empty() && path.front() == '"') path.erase(0, 1);
  if (!path.empty() && path.back() == '"') path.pop_back();
  if (!commandLine.empty() && commandLine.front() == '"') commandLine.erase(0, 1);
  CopyCut(programName, programNameSize, path);

  const int at = path.empty() ? -1 : FindText(commandLine.c_str(), path.c_str());
  if (at < 0) {
    // Offsets from a missing match would point nowhere: take no argument.
    InternalError(nullptr, 8153, 0);
    return;
  }
  std::size_t rest = static_cast<std::size_t>(at) + path.size();
  if (rest < commandLine.size() && commandLine[rest] == '"') ++rest;
  if (rest < commandLine.size()) ++rest;  // the separating blank
  CopyCut(argument, argumentSize, commandLine.substr(std::min(rest, commandLine.size())));
}

int ReceiveMessage() {
  LogFile.Log(3, "ReceiveMessage", "Entering");
  char programName[200];
  char argument[400];
  GetProgramNameAndArgument(programName, sizeof programName, argument, sizeof argument);
  LogFile.Log(3, "ReceiveMessage-Argument", argument);

  // A plain mode switch such as "/s" never names a file.
  if (std::strlen(argument) < 4) {
    LogFile.Log(3, "ReceiveMessage", "Exiting0");
    return 0;
  }
  // The mode switch and a blank come first; the path is not quoted.
  const std::string path = argument + 3;
  LogFile.Log(3, "ConvertShortToLongFileName input", path.c_str());
  const std::string name = RealFileName(path);
  LogFile.Log(3, "ArgumentFileName", name.c_str());
  return ReceiveMessageFile(name.c_str());
}

int ReceiveMessageFile(const char* fileName) {
  if (fileName == nullptr || FindText(fileName, ".Lumivex") < 0) return 0;

  // A received message never overwrites anything: it takes the first free
  // slot after the main message, with a placeholder until the file is read.
  Quill.Index = Quill.FindFirstFree();
  CopyCut(Quill.Message, sizeof Quill.Message, "<type here your message>");
  CopyCut(Quill.BottomLine, sizeof Quill.BottomLine, "<type here your bottomline>");
  Quill.Password[0] = '\0';
  Quill.Write();

  // The file came from someone else and may be read-only; the store's Init
  // writes its own records and tests that it can, so it works on a private
  // copy rather than on the received file.
  const std::string copy = TempFolder() + "Lumivex-received-" +
                           std::to_string(static_cast<unsigned long>(GetTickCount())) + ".tmp";
  if (CopyFileA(fileName, copy.c_str(), FALSE)) {
    IniFile file;
    file.Init("", copy.c_str());
    // One less than the buffers: the store keeps size - 2 characters, so at
    // most 77 and 297 arrive.
    file.ReadString(MessageFileSection, "Message___0", Quill.Message, kNotReceived,
                    sizeof Quill.Message - 1);
    file.ReadString(MessageFileSection, "BottomLine0", Quill.BottomLine, kNotReceived,
                    sizeof Quill.BottomLine - 1);
    file.ReadString(MessageFileSection, "Password__0", Quill.Password, "",
                    sizeof Quill.Password - 1);
    DeleteFileA(copy.c_str());
  } else {
    CopyCut(Quill.Message, sizeof Quill.Message, kNotReceived);
    CopyCut(Quill.BottomLine, sizeof Quill.BottomLine, kNotReceived);
    Quill.Password[0] = '\0';
  }
  LogFile.Log(3, "ReceiveMessage-QUILL::message", Quill.Message);
  LogFile.Log(3, "ReceiveMessage-QUILL::BottomLine", Quill.BottomLine);
  Quill.Write();

  if (std::strcmp(Quill.Message, kNotReceived) != 0 &&
      std::strcmp(Quill.BottomLine, kNotReceived) != 0) {
    MainSettings.UserWriteLong("Messages", "Preview", Quill.Index);
    return 1;
  }

  // No message in the file: free the slot again and go back to the main one.
  LogFile.Log(3, "ReceiveMessage", "Deleting");
  Quill.Clear();
  Quill.Write();
  Quill.Index = 0;
  Quill.Read();
  return 0;
}

namespace {

std::string InstructionsText(const std::string& fileName) {
  return std::string(
             "EMAIL SUBJECT: A Lumivex for you.\n\nEMAIL BODY:\nThis email has a special message "
             "for you.\n\nTo see the message you must have the \"Lumivex v3.08\" screen saver.\nIf "
             "you don't already have this screen saver, you can download it from\nthe internet: "
             " ") +
         HomePageAddress +
         "\nand install it to your computer.\n\nTo load and view the message, simply open the "
         "\"" +
         fileName + "\" file\nthat you can find attached to this email.\n";
}

// `where` completes "will be created ...".
std::string HowToSendText(const std::string& fileName, const std::string& where) {
  return "Two new files named \"" + fileName + "\" and \"" + InstructionsFileName +
         "\"\nwill be created " + where + ".\nThe \"" + fileName +
         "\" file contains your message.\nThe \"" + InstructionsFileName +
         "\" file contains instuctions for your friend.\n\nYour job is to:\n1) Create a new blank "
         "email for your friend.\n2) Copy the contents of the \"" +
         InstructionsFileName + "\" file to the email body.\n3) Attach the \"" + fileName +
         "\" file to the email.\n4) Send the email.\n5) Wish this procedure works. (I will "
         "improve it in the future versions)\n";
}

std::string Join(const std::string& folder, const std::string& name) {
  return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

// Writes the two files into `folder` (opened for the user first) and explains
// what to do with them; "" when the folder takes no files (the user is told),
// else the message file's path.
std::string SendInto(const std::string& folder, const std::string& fileName,
                     const std::string& where) {
  ShellExecuteA(nullptr, "open", folder.c_str(), nullptr, nullptr, SW_RESTORE);

  const std::string instructions = Join(folder, InstructionsFileName);
  if (std::unique_ptr<std::FILE, FileCloser> out{std::fopen(instructions.c_str(), "w")}) {
    std::fputs(InstructionsText(fileName).c_str(), out.get());
  } else {
    LogFile.Log(9, "SendMessageToFriend - cannot write", instructions.c_str());
    const std::string text = "The message could not be saved in the folder " + folder +
                             ".\nPlease choose a folder where you may write files.";
    MessageBoxA(nullptr, text.c_str(), "How to send the message to your friend.",
                MB_OK | MB_ICONEXCLAMATION);
    return "";
  }

  IniFile file;
  const std::string message = Join(folder, fileName);
  file.Init("", message.c_str());
  file.WriteString(MessageFileSection, "Message___0", Quill.Message);
  file.WriteString(MessageFileSection, "BottomLine0", Quill.BottomLine);
  file.WriteString(MessageFileSection, "Password__0", Quill.Password);

  MessageBoxA(nullptr, HowToSendText(fileName, where).c_str(),
              "How to send the message to your friend.", MB_OK);
  return message;
}

}  // namespace

void SendMessageToFriend() {
  const std::string folder = MessageFileFolder();
  CreateDirectoryA(folder.c_str(), nullptr);  // an existing folder is fine
  SendMessageToFriendAs(folder + "/" + MessageFileName);
}

std::string SendMessageToFriendAs(const std::string& messagePath) {
  const std::size_t slash = messagePath.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? "." : messagePath.substr(0, slash + 1);
  std::string fileName = slash == std::string::npos ? messagePath : messagePath.substr(slash + 1);
  if (fileName.empty()) fileName = MessageFileName;
  if (FindText(fileName.c_str(), ".Lumivex") < 0) fileName += ".Lumivex";
  const std::string shown = folder.size() > 1 ? folder.substr(0, folder.size() - 1) : folder;
  const bool usual = shown == MessageFileFolder() && fileName == MessageFileName;
  return SendInto(shown, fileName, usual ? "in a new temporal folder" : "in the folder " + shown);
}
