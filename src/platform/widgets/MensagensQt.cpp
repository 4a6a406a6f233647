#include "MensagensQt.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>

int MensagensQt::caixa(const QString& titulo, const QString& texto, Botoes botoes, Icone icone) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(titulo);
    // Plain text: a box may carry text read from the database (a name, the
    // database's or the ERP's own words), which is never taken as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(texto);
    switch (icone) {
    case Icone::Nenhum:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icone::Informacao:
        box.setIcon(QMessageBox::Information);
        break;
    case Icone::Aviso:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icone::Critico:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    switch (botoes) {
    case Botoes::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Botoes::OkCancelar:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Cancel);
        break;
    case Botoes::SimNao:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return RespostaCancelar;
    case QMessageBox::Yes:
        return RespostaSim;
    case QMessageBox::No:
        return RespostaNao;
    default:
        return RespostaOk;
    }
}

bool MensagensQt::pedirValores(const QString& titulo, const QStringList& rotulos, QStringList& valores,
                               const QList<int>& segredos) {
    QDialog dialogo(QApplication::activeWindow());
    dialogo.setWindowTitle(titulo);
    auto* form = new QFormLayout(&dialogo);
    QList<QLineEdit*> campos;
    for (int i = 0; i < rotulos.size(); ++i) {
        auto* campo = new QLineEdit(valores.value(i), &dialogo);
        if (segredos.contains(i))
            campo->setEchoMode(QLineEdit::Password);
        form->addRow(rotulos.at(i), campo);
        campos << campo;
    }
    auto* botoes = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialogo);
    QObject::connect(botoes, &QDialogButtonBox::accepted, &dialogo, &QDialog::accept);
    QObject::connect(botoes, &QDialogButtonBox::rejected, &dialogo, &QDialog::reject);
    form->addRow(botoes);
    if (dialogo.exec() != QDialog::Accepted)
        return false;
    valores.clear();
    for (QLineEdit* c : campos)
        valores << c->text();
    return true;
}

QString MensagensQt::pedirFicheiro(const QString& titulo, const QString& sugerido, const QString& filtro) {
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), titulo, sugerido, filtro);
}

void MensagensQt::terminar(int codigo) {
    // Leave every event loop, modal ones included; main() returns the code.
    QCoreApplication::exit(codigo);
}
