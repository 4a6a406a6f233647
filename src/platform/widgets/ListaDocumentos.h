#pragma once

#include <QDate>
#include <QDialog>

class QAbstractItemModel;
class QDateEdit;
class QLineEdit;
class QTableView;

/// The workstation's documents: a list over `modelo` (one document a row,
/// the newest first), a day range that starts on `dia` and a search. It asks
/// the window for what the operator does on the selected row: Enter
/// previews, Ctrl+P prints, Ctrl+S saves as PDF, "&Anular" (Alt+A) annuls;
/// a change of the days or the search asks for the list again
/// (filtroMudou). Escape closes. Everything by keyboard: Tab goes from the
/// days to the search to the list and to the buttons.
class ListaDocumentos final : public QDialog {
    Q_OBJECT

public:
    ListaDocumentos(QAbstractItemModel* modelo, QDate dia, QWidget* pai = nullptr);
    Q_DISABLE_COPY_MOVE(ListaDocumentos)

    QDate de() const;
    QDate ate() const;
    QString procura() const;
    /// The selected row, -1 when none.
    int linhaActual() const;
    /// Selects a row (the first when the list holds any and `linha` is not
    /// one of its rows) and, unless told otherwise, puts the focus in the
    /// list (not while the operator types in the days or the search).
    void seleccionar(int linha, bool focar = true);

Q_SIGNALS:
    void filtroMudou();
    void previsualizarPedido(int linha);
    void imprimirPedido(int linha);
    void guardarPedido(int linha);
    void anularPedido(int linha);

private:
    /// Emits `sinal` for the selected row, when there is one.
    void pedir(void (ListaDocumentos::*sinal)(int));

    QDateEdit* m_de;
    QDateEdit* m_ate;
    QLineEdit* m_procura;
    QTableView* m_lista;
};
