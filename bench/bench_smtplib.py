"""Sends one message with an attachment through Python's smtplib, for bench_smtp_send.

Usage: bench_smtplib.py PORT ATTACHMENT
Builds the email message (text part and the attachment in base64) and sends it to 127.0.0.1:PORT;
prints the seconds that building and sending took.
"""
import smtplib
import sys
import time
from email.message import EmailMessage


def main():
    port, path = int(sys.argv[1]), sys.argv[2]
    start = time.perf_counter()
    message = EmailMessage()
    message["From"] = "sender@example.test"
    message["Bcc"] = "recipient@example.test"
    message["Subject"] = "Benchmark"
    message.set_content("Hello,\nthe report is attached.\n")
    with open(path, "rb") as f:
        message.add_attachment(f.read(), maintype="application", subtype="octet-stream",
                               filename="report.bin")
    with smtplib.SMTP("127.0.0.1", port) as smtp:
        smtp.send_message(message)
    print("%.6f" % (time.perf_counter() - start))


if __name__ == "__main__":
    main()
