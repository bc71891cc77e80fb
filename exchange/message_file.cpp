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

// Copies what fits into size - 1 bytes, never half a character.
void CopyCut(char* destination, std::size_t size, const std::string& source) {
  if (destination == nullptr || size == 0) return;
  const std::size_t n = lvx::CutLength(std::string_view(source), size - 1);
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

std::string PrivateMessageFileFolder() {
  const std::string folder = MessageFileFolder();
  if (lvx::MakePrivateFolder(folder.c_str())) return folder;
  LogFile.Log(5, "SendMessageToFriend - not our folder", folder.c_str());
  return "";
}

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

namespace {

// The reader takes no more than this (the settings reader's own limit): a
// bigger "message file" is not one, and copying it could fill the disk.
constexpr long long kLargestMessageFile = 32LL << 20;

DWORD CALLBACK StopBeyondLimit(LARGE_INTEGER totalSize, LARGE_INTEGER copied, LARGE_INTEGER,
                               LARGE_INTEGER, DWORD, DWORD, HANDLE, HANDLE, LPVOID) {
  return totalSize.QuadPart > kLargestMessageFile || copied.QuadPart > kLargestMessageFile
             ? PROGRESS_CANCEL
             : PROGRESS_CONTINUE;
}

// A folder of our own in the temporary folder, "" when none can be made.
std::string MakePrivateFolder() {
  char name[MAX_PATH] = {};
  if (GetTempFileNameA(TempFolder().c_str(), "lvx", 0, name) == 0) return "";
  DeleteFileA(name);
  return CreateDirectoryA(name, nullptr) ? name : "";
}

// Removes the folder and the files in it (the copy and what its store left).
void RemovePrivateFolder(const std::string& folder) {
  WIN32_FIND_DATAA found{};
  HANDLE find = FindFirstFileA((folder + "/*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      found.cFileName[sizeof found.cFileName - 1] = '\0';
      DeleteFileA((folder + "/" + found.cFileName).c_str());
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
}

struct ReceivedTexts {
  char message[QUILL::MessageSize];
  char bottomLine[QUILL::BottomLineSize];
  char password[QUILL::PasswordSize];
};

// Reads the three texts of a friend's message file. The file came from
// someone else and may be read-only; the store's Init writes its own records
// and tests that it can, so it works on a private copy. Only a regular file
// of at most 32 MB is taken; anything else is refused (false, logged) as if
// there were no file.
bool ReadMessageFile(const char* fileName, ReceivedTexts& texts) {
  const std::string folder = MakePrivateFolder();
  const std::string copy = folder + "/" + MessageFileName;
  DWORD error = ERROR_SUCCESS;
  if (folder.empty()) {
    error = GetLastError();
  } else if (!CopyFileExA(fileName, copy.c_str(), StopBeyondLimit, nullptr, nullptr, 0)) {
    error = GetLastError();
    if (error == ERROR_REQUEST_ABORTED) error = ERROR_FILE_TOO_LARGE;
  }
  if (error != ERROR_SUCCESS) {
    if (!folder.empty()) RemovePrivateFolder(folder);
    const std::string why = std::string(fileName) + ": " + lvx::SystemReason(error);
    LogFile.Log(5, "ReceiveMessage - refused", why.c_str());
    return false;
  }
  SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
  {
    IniFile file;
    file.Init("", copy.c_str());
    // One less than the buffers: the store keeps size - 2 characters, so at
    // most 77 and 297 arrive.
    file.ReadString(MessageFileSection, "Message___0", texts.message, kNotReceived,
                    sizeof texts.message - 1);
    file.ReadString(MessageFileSection, "BottomLine0", texts.bottomLine, kNotReceived,
                    sizeof texts.bottomLine - 1);
    file.ReadString(MessageFileSection, "Password__0", texts.password, "",
                    sizeof texts.password - 1);
  }
  RemovePrivateFolder(folder);
  // Message files carry clear text; one written in the older Windows code
  // page is stored in UTF-8 like everything the user types, within the same
  // byte limits.
  CopyCut(texts.message, sizeof texts.message - 2, lvx::ToUtf8(texts.message));
  CopyCut(texts.bottomLine, sizeof texts.bottomLine - 2, lvx::ToUtf8(texts.bottomLine));
  CopyCut(texts.password, sizeof texts.password - 2, lvx::ToUtf8(texts.password));
  return true;
}

}  // namespace

int ReceiveMessageFile(const char* fileName) {
  if (fileName == nullptr || FindText(fileName, ".Lumivex") < 0) return 0;
  ReceivedTexts texts{};
  if (!ReadMessageFile(fileName, texts)) return 0;
  const bool received = std::strcmp(texts.message, kNotReceived) != 0 &&
                        std::strcmp(texts.bottomLine, kNotReceived) != 0;
  if (!received) {
    // No message in the file: the book stays as it was, the main slot current.
    LogFile.Log(3, "ReceiveMessage-QUILL::message", texts.message);
    LogFile.Log(3, "ReceiveMessage-QUILL::BottomLine", texts.bottomLine);
    LogFile.Log(3, "ReceiveMessage", "Deleting");
    Quill.Index = 0;
    Quill.Read();
    return 0;
  }

  // The slot is chosen and written as one change of the settings file: two
  // savers receiving at once take different slots, and a saver killed
  // meanwhile leaves the book as it was or with the whole message.
  IniFile::Batch slot(MainSettings);
  // A received message never overwrites anything: it takes the first free
  // slot after the main message, with a placeholder until it is filled in.
  Quill.Index = Quill.FindFirstFree();
  CopyCut(Quill.Message, sizeof Quill.Message, "<type here your message>");
  CopyCut(Quill.BottomLine, sizeof Quill.BottomLine, "<type here your bottomline>");
  Quill.Password[0] = '\0';
  Quill.Write();

  CopyCut(Quill.Message, sizeof Quill.Message, texts.message);
  CopyCut(Quill.BottomLine, sizeof Quill.BottomLine, texts.bottomLine);
  CopyCut(Quill.Password, sizeof Quill.Password, texts.password);
  LogFile.Log(3, "ReceiveMessage-QUILL::message", Quill.Message);
  LogFile.Log(3, "ReceiveMessage-QUILL::BottomLine", Quill.BottomLine);
  Quill.Write();
  MainSettings.UserWriteLong("Messages", "Preview", Quill.Index);
  return 1;
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

void TellCannotSaveIn(const std::string& folder) {
  const std::string text = "The message could not be saved in the folder " + folder +
                           ".\nPlease choose a folder where you may write files.";
  MessageBoxA(nullptr, text.c_str(), "How to send the message to your friend.",
              MB_OK | MB_ICONEXCLAMATION);
}

// Writes the two files into `folder` (opened for the user first) and explains
// what to do with them; "" when the folder takes no files (the user is told),
// else the message file's path.
std::string SendInto(const std::string& folder, const std::string& fileName,
                     const std::string& where) {
  ShellExecuteA(nullptr, "open", folder.c_str(), nullptr, nullptr, SW_RESTORE);

  const std::string instructions = Join(folder, InstructionsFileName);
  if (std::unique_ptr<std::FILE, FileCloser> out{lvx::OpenRegularFile(instructions.c_str(), "w")}) {
    std::fputs(InstructionsText(fileName).c_str(), out.get());
  } else {
    // The user is told; nothing here is a failure of the program that the
    // next start should ask about.
    LogFile.Log(5, "SendMessageToFriend - cannot write", instructions.c_str());
    TellCannotSaveIn(folder);
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
  const std::string folder = PrivateMessageFileFolder();
  if (folder.empty()) {
    TellCannotSaveIn(MessageFileFolder());
    return;
  }
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
