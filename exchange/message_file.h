// Message files: one message of the message book carried from one user to
// another as a small settings file ("NewMessage.Lumivex").
//
// Paths are POSIX: where a Windows path would join folder and file with a
// backslash, these join them with '/'. A backslash in a path given to us is a
// separator too (the platform's file functions read it so), and the last
// component of a path is what follows the last of either. The temporary folder
// is GetTempPathA() ($TMPDIR, else /tmp).
#pragma once

#include <cstddef>
#include <string>

// Names shared by the sender and the receiver.
inline constexpr const char* MessageFileSection = "MessageIN";
inline constexpr const char* MessageFileFolderName = "Lumivex.tmp";
inline constexpr const char* MessageFileName = "NewMessage.Lumivex";
inline constexpr const char* InstructionsFileName = "Receive Instructions.txt";

// Splits the process command line into the program's own path and the rest.
// Both outputs are cut to their buffers (size includes the terminator). When
// the program's path is not on the command line the argument is empty.
void GetProgramNameAndArgument(char* programName, std::size_t programNameSize, char* argument,
                               std::size_t argumentSize);

// Takes the message file named on the command line after a three-character
// mode switch and a blank ("/s /home/anna/NewMessage.Lumivex") into the first
// free slot of the message book and makes it the next one shown. 1 when a
// message was received, else 0 (the book is then as it was).
int ReceiveMessage();

// The part of ReceiveMessage after the command line: `fileName` is the file's
// real path. Untrusted content: over-long texts are cut, anything malformed
// leaves the book unchanged.
int ReceiveMessageFile(const char* fileName);

// Writes the message book's loaded slot into "NewMessage.Lumivex", with the
// e-mail instructions beside it, in the folder "Lumivex.tmp" of the temporary
// folder; opens that folder and tells the user what to do.
void SendMessageToFriend();

// The same into a place the user chose: the message file `messagePath`
// (".Lumivex" is appended to a name without it, or the friend's saver would
// not take the file) and the instructions in its folder, which must exist.
// The instructions and the box name the file as written. Returns the path
// of the message file, or "" when it could not be written (the user is told).
std::string SendMessageToFriendAs(const std::string& messagePath);

// The folder SendMessageToFriend writes into: GetTempPathA() + "Lumivex.tmp".
std::string MessageFileFolder();
// The same, made when missing and closed to other users; "" when it is not a
// folder of ours (in a shared temporary folder another user may have made it).
std::string PrivateMessageFileFolder();
