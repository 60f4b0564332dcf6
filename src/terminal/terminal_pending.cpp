// Send, Repeat and Cancel, and the answer page: placeholders until they are written.
#include "terminal/terminal.h"

namespace quorvel::terminal {

void TFormChildTerminalWindow::StopWaiting() {}
void TFormChildTerminalWindow::ShowAnswer(std::uint16_t, std::uint16_t,
                                          const std::vector<std::string>&, std::uint16_t) {}
void TFormChildTerminalWindow::ClearStatusPanels() {}
void TFormChildTerminalWindow::HostFinalAnswer() {}
void TFormChildTerminalWindow::HostError() {}
void TFormChildTerminalWindow::DgiAnswer() {}
void TFormChildTerminalWindow::DgiFinalAnswer() {}
void TFormChildTerminalWindow::DgiError() {}
void TFormChildTerminalWindow::DgiAck() {}
void TFormChildTerminalWindow::ButtonSendClick() {}
void TFormChildTerminalWindow::ButtonRepeatClick() {}
void TFormChildTerminalWindow::ButtonCancelClick() {}
void TFormChildTerminalWindow::MemoFiscalAnswerDblClick() {}

}  // namespace quorvel::terminal
