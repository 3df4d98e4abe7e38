// Every fixed text a terminal prints, in one place. Some lack a line end on
// purpose: the next output of the terminal continues on the same line.
#pragma once

inline constexpr const char* kPromptText = "COMMAND LINE_:";
inline constexpr const char* kTimeReadErrorText = "Time read error!\n";
inline constexpr const char* kInvalidCommandText = "Invalid command\n";
inline constexpr const char* kInvalidCardText = "Invalid card number\n";
inline constexpr const char* kFileOpenFailedText = "File open failed";
inline constexpr const char* kCardfileReadErrorText = "Cardfile Read Error!\n";
inline constexpr const char* kCardfileOpenErrorText = "Cardfile Open Error!";
inline constexpr const char* kCardfileWriteText = "Cardfile Write !\n";
// A record that did not reach the file whole (full disk): the tap is not
// charged and neither file keeps any of it.
inline constexpr const char* kCardfileWriteErrorText = "Cardfile Write Error!\n";
inline constexpr const char* kReaderfileWriteErrorText = "Readerfile Write Error!\n";
inline constexpr const char* kReaderfileOpenErrorText = "Readerfile Open Error!";
// The card file was replaced or cut again and again while its tap was in
// hand: the tap is not charged.
inline constexpr const char* kCardfileChangedText = "Cardfile Changed Error!\n";
inline constexpr const char* kReadefileWriteText = "Readefile Write!\n";
inline constexpr const char* kLackText = "Lack!\n";
inline constexpr const char* kFeeFormat = "FEE : %d\nVALANCE : %d\n";
