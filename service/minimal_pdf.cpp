// A one-page PDF built in memory.
#include "minimal_pdf.h"

#include <QList>

namespace orvanta::service {

QByteArray minimalPdf(const QByteArray& text) {
  const QByteArray stream = "BT /F1 12 Tf 72 720 Td (" + text + ") Tj ET";
  const QList<QByteArray> objects{
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
      "/Resources << /Font << /F1 5 0 R >> >> >>",
      "<< /Length " + QByteArray::number(stream.size()) + " >>\nstream\n" + stream + "\nendstream",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"};
  QByteArray pdf = "%PDF-1.4\n";
  QByteArray table;
  for (qsizetype i = 0; i < objects.size(); ++i) {
    table += QByteArray::number(pdf.size()).rightJustified(10, '0') + " 00000 n \n";
    pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const QByteArray count = QByteArray::number(objects.size() + 1);
  const QByteArray start = QByteArray::number(pdf.size());
  return pdf + "xref\n0 " + count + "\n0000000000 65535 f \n" + table + "trailer\n<< /Size " + count +
         " /Root 1 0 R >>\nstartxref\n" + start + "\n%%EOF\n";
}

}  // namespace orvanta::service
