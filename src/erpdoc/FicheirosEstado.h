#pragma once

#include <QByteArray>
#include <QString>

/// The program's own state on the workstation (the run journal, the run log)
/// and the few file operations that must reach the disk before the program
/// goes on. POSIX only: the state lives on the workstation's local disk.
namespace FicheirosEstado {

/// "$XDG_STATE_HOME/orlavane" when XDG_STATE_HOME names an absolute folder,
/// else "~/.local/state/orlavane". Read at every call.
QString pasta();

/// Creates the state folder when it is missing (readable by its owner only)
/// and makes its entry in the parent folder durable. Raises Erro (Ficheiro)
/// when it cannot be created, and when it is no folder of this user's alone:
/// another user owns it, or others may write in it (they could then plant
/// or change its files).
QString criarPasta();

/// Makes the entries of a folder (files created, renamed) durable.
/// Raises Erro (Ficheiro).
void sincronizarPasta(const QString& pasta);

/// A file descriptor closed with the object.
class Descritor final {
public:
    Descritor() = default;
    explicit Descritor(int fd) : m_fd(fd) {}
    ~Descritor();
    Descritor(Descritor&& outro) noexcept;
    Descritor& operator=(Descritor&& outro) noexcept;
    Descritor(const Descritor&) = delete;
    Descritor& operator=(const Descritor&) = delete;

    int fd() const { return m_fd; }
    bool aberto() const { return m_fd >= 0; }
    void fechar();

private:
    int m_fd = -1;
};

/// Opens `caminho` with the open(2) `flags` (O_CLOEXEC is always added, so a
/// program started from here never inherits a lock or a file) and mode 0600.
/// A file (not a folder, O_DIRECTORY) is never opened through a symbolic
/// link (O_NOFOLLOW): one planted where the file goes would make the program
/// write where it points. Raises Erro (Ficheiro) naming `oQue` and the file.
Descritor abrir(const QString& caminho, int flags, const QString& oQue);

/// Writes every byte (retrying short writes and interruptions). Raises Erro
/// (Ficheiro) naming `oQue` and the file.
void escreverTudo(const Descritor& d, const QByteArray& dados, const QString& oQue, const QString& caminho);

/// The whole content of a file (never through a symbolic link); empty when it
/// does not exist. Raises Erro (Ficheiro) when it exists and cannot be read,
/// or is larger than `limite` bytes.
QByteArray lerTudo(const QString& caminho, const QString& oQue, qint64 limite = qint64(256) * 1024 * 1024);

/// Erro (Ficheiro): "Não foi possível <oQue> <caminho>: <the system's reason for errno>".
[[noreturn]] void falhar(const QString& oQue, const QString& caminho, int numeroErro);

} // namespace FicheirosEstado
