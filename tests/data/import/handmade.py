#!/usr/bin/env python3
"""Writes the hand-built captures of this directory: what ffmpeg cannot write.

Each capture is one service (0x0101, PMT on 0x0100) of transport stream
0x0600, at one packet per 5 ms: a PCR on PID 0x01FF every 100 ms, the PAT and
PMT every 100 ms, the SDT and EIT present/following every 500 ms, for 1.25 s.
The bytes follow ISO/IEC 13818-1 and ETSI EN 300 468; run in this directory:
    python3 handmade.py
"""
PACKET = 188
SLOT_TICKS = 27_000_000 * 5 // 1000  # 27 MHz per 5 ms packet
SLOTS = 250
PCR_PID = 0x01FF
PCR_WRAP = 2**33 * 300
# Every capture's PCR starts 0.6 s before the 33-bit base wraps.
PCR_START = PCR_WRAP - 27_000_000 * 6 // 10


def crc32(data):
    crc = 0xFFFFFFFF
    for byte in data:
        crc ^= byte << 24
        for _ in range(8):
            crc = ((crc << 1) ^ 0x04C11DB7) if crc & 0x80000000 else crc << 1
            crc &= 0xFFFFFFFF
    return crc


def section(table_id, ext, body, number=0, last=0, bad_crc=False, syntax=True):
    if not syntax:  # TOT: short header, CRC_32 all the same
        head = bytes([table_id, 0x70 | ((len(body) + 4) >> 8), (len(body) + 4) & 0xFF])
        s = head + body
    else:
        length = 5 + len(body) + 4
        s = bytes([table_id, 0xB0 | (length >> 8), length & 0xFF, ext >> 8, ext & 0xFF, 0xC1, number, last]) + body
    crc = crc32(s) ^ (1 if bad_crc else 0)
    return s + crc.to_bytes(4, 'big')


def descriptor(tag, body):
    return bytes([tag, len(body)]) + body


def loop(data, top=0xF0):
    return bytes([top | (len(data) >> 8), len(data) & 0xFF]) + data


def text(s):
    b = s if isinstance(s, bytes) else s.encode('latin-1')
    return bytes([len(b)]) + b


def pat():
    return section(0x00, 0x0600, bytes([0x01, 0x01, 0xE1, 0x00]))


def pmt(streams, program_info=b''):
    body = bytes([0xE0 | (PCR_PID >> 8), PCR_PID & 0xFF]) + loop(program_info)
    for stream_type, pid, descriptors in streams:
        body += bytes([stream_type, 0xE0 | (pid >> 8), pid & 0xFF]) + loop(descriptors)
    return section(0x02, 0x0101, body)


def sdt(running=4, schedule=0, free_ca=0, bad_crc=False):
    service = descriptor(0x48, bytes([0x01]) + text('Velunor') + text('Hand'))
    entry = bytes([0x01, 0x01, 0xFC | (schedule << 1) | 1]) + loop(service, top=(running << 5) | (free_ca << 4))
    return section(0x42, 0x0600, bytes([0x20, 0x01, 0xFF]) + entry, bad_crc=bad_crc)


UNDEFINED_TIME = b'\xff' * 5 + b'\xff' * 3


def event(event_id, name, event_text=b'', when=UNDEFINED_TIME, running=0, language=b'deu'):
    short = descriptor(0x4D, language + text(name) + text(event_text))
    return event_id.to_bytes(2, 'big') + when + loop(short, top=running << 5)


def eit(number, events=b''):
    body = bytes([0x06, 0x00, 0x20, 0x01, 0x01, 0x4E]) + events
    return section(0x4E, 0x0101, body, number=number, last=1)


def packet(pid, payload, cc, start=True):
    data = (b'\x00' if start else b'') + payload
    assert len(data) <= PACKET - 4
    return bytes([0x47, (0x40 if start else 0) | (pid >> 8), pid & 0xFF, 0x10 | (cc & 0x0F)]) \
        + data + b'\xff' * (PACKET - 4 - len(data))


def pcr_packet(ticks, discontinuity=False):
    ticks %= PCR_WRAP
    base, ext = ticks // 300, ticks % 300
    field = bytes([0x90 if discontinuity else 0x10])  # discontinuity_indicator, PCR_flag
    field += bytes([(base >> 25) & 0xFF, (base >> 17) & 0xFF, (base >> 9) & 0xFF, (base >> 1) & 0xFF,
                    ((base & 1) << 7) | 0x7E | (ext >> 8), ext & 0xFF])
    return bytes([0x47, PCR_PID >> 8, PCR_PID & 0xFF, 0x20, PACKET - 5]) + field + b'\xff' * (PACKET - 5 - len(field))


NULL_PACKET = bytes([0x47, 0x1F, 0xFF, 0x10]) + b'\xff' * 184


def stream(tables, pcr_start=PCR_START, discontinuity=False, extra=()):
    """tables: (pid, period in slots, phase, sections): a list of sections
    sent together, or a list of such lists sent in turn, one per repetition."""
    cc = {}
    out = []
    queue = []
    sent = {}
    for slot in range(SLOTS):
        if slot % 20 == 0:
            queue.insert(0, pcr_packet(pcr_start + slot * SLOT_TICKS, discontinuity and slot == 0))
        for pid, period, phase, sections in list(tables) + list(extra):
            if slot % period == phase:
                k = sent.get((pid, phase), 0)
                sent[(pid, phase)] = k + 1
                group = sections[k % len(sections)] if isinstance(sections[0], list) else sections
                for s in group:
                    queue.append(packet(pid, s, cc.setdefault(pid, 0)))
                    cc[pid] += 1
        out.append(queue.pop(0) if queue else NULL_PACKET)
    return b''.join(out)


def base_tables(streams, program_info=b'', sdt_sections=None, eit_sections=None):
    return [
        (0x0000, 20, 1, [pat()]),
        (0x0100, 20, 2, [pmt(streams, program_info)]),
        (0x0011, 100, 5, sdt_sections or [sdt()]),
        (0x0012, 100, 6, eit_sections or [eit(0, event(1, 'Nachrichten', 'Heute')), eit(1, event(2, 'Wetter'))]),
    ]


def teletext_entry(language, kind, magazine, page):
    return language + bytes([(kind << 3) | magazine, page])


def subtitling_entry(language, kind, composition, ancillary):
    return language + bytes([kind]) + composition.to_bytes(2, 'big') + ancillary.to_bytes(2, 'big')


def write(name, data):
    with open(name, 'wb') as f:
        f.write(data)


def main():
    video = (0x02, 0x0102, b'')
    # Two teletext entries: the initial page 100 and subtitles on page 888.
    write('two-teletext.ts', stream(base_tables([video, (0x06, 0x0104, descriptor(0x56, teletext_entry(
        b'deu', 1, 1, 0x00) + teletext_entry(b'deu', 2, 0, 0x88)))])))
    # Subtitles for the hard of hearing on pages 5/6, and a second entry.
    write('subtitling-0x20.ts', stream(base_tables([video, (0x06, 0x0104, descriptor(0x59, subtitling_entry(
        b'eng', 0x20, 5, 6) + subtitling_entry(b'deu', 0x10, 1, 1)))])))
    # An empty present section; the one event is the following one.
    write('eit-section-1.ts', stream(base_tables([video], eit_sections=[
        eit(0), eit(1, event(7, 'Später', 'Danach'))])))
    # A language of three NUL bytes (as GStreamer's mpegtsmux writes it); a
    # BEL and US in the event name, NEL, DEL and APC in a UTF-8 event text,
    # beside the space, tilde, no-break space and line break they keep.
    write('nul-language.ts', stream(base_tables([video, (0x06, 0x0104, descriptor(0x59, subtitling_entry(
        b'\0\0\0', 0x10, 1, 1)))], eit_sections=[
        eit(0, event(1, b'Bell\x07Ton\x1f ~', '\x15Zeile\x85\x7f~\x9f\xa0x\ny'.encode('utf-8'))),
        eit(1)])))
    # A capture looped: the PCR goes back at the second pass and, flagged by
    # discontinuity_indicator, jumps 0.4 s ahead at the third.
    once = base_tables([video, (0x03, 0x0103, descriptor(0x0A, b'deu\x00'))])
    passes = stream(once)
    write('pcr-once.ts', passes)
    write('pcr-loop.ts', passes + stream(once) + stream(once, pcr_start=PCR_START + SLOTS * SLOT_TICKS + 2 * 27_000_000 // 5,
                                                         discontinuity=True))
    # Every other SDT, four PATs in a row (a gap of 500 ms, as much as
    # TR 101 290 allows) and five PMTs in a row (600 ms, too long) with a
    # CRC_32 that does not check.
    def bad_from(good, first, last):
        bad = section(good[0], (good[3] << 8) | good[4], good[8:-4], bad_crc=True)
        return [[bad if first <= k <= last else good] for k in range(SLOTS // 20 + 1)]
    tables = base_tables([video], sdt_sections=[[sdt()], [sdt(bad_crc=True)]])
    tables[0] = (0x0000, 20, 1, bad_from(pat(), 2, 5))
    tables[1] = (0x0100, 20, 2, bad_from(pmt([video]), 3, 7))
    write('bad-crc.ts', stream(tables))
    # What the configuration cannot hold: AC-3 component_type and bsid, two
    # ISO 639 entries with their audio_type, CA private bytes, the SDT's
    # running_status and EIT_schedule_flag, the event's time and running
    # status, and tables of other kinds (one private).
    ca = descriptor(0x09, bytes([0x0B, 0x00, 0xE2, 0x00, 0x01, 0x02, 0x03]))
    ac3 = descriptor(0x6A, bytes([0xC0, 0x42, 0x08])) + descriptor(0x0A, b'fra\x03eng\x00')
    start = (60447).to_bytes(2, 'big') + bytes([0x12, 0x00, 0x00]) + bytes([0x00, 0x30, 0x00])  # 2024-05-17
    losses = base_tables([video, (0x06, 0x0105, ac3)], program_info=ca,
                         sdt_sections=[sdt(running=1, schedule=1, free_ca=1)],
                         eit_sections=[eit(0, event(1, 'Nachrichten', when=start, running=4)), eit(1)])
    other = [
        (0x0011, 100, 40, [[section(0x46, 0x0700, bytes([0x20, 0x01, 0xFF]))]]),
        (0x0011, 100, 41, [[section(0x4A, 0x1000, loop(b'') + loop(b''))]]),
        (0x0012, 100, 42, [[section(0x50, 0x0101, bytes([0x06, 0x00, 0x20, 0x01, 0x00, 0x50]))]]),
        (0x0010, 100, 43, [[section(0x41, 0x3000, loop(b'') + loop(b''))]]),
        (0x0014, 100, 44, [[section(0x73, 0, bytes.fromhex('ebe6120000') + loop(b''), syntax=False)]]),
        (0x0100, 100, 45, [[section(0xC0, 0x0001, b'\x00')]]),  # a private table beside the PMT
    ]
    write('losses.ts', stream(losses, extra=other))
    # 1,000 bytes before the first packet, two null packets cut short (to
    # 100 and 50 bytes) and 60 bytes of a packet at the end.
    clean = stream(base_tables([video]))
    garbage = bytes((i * 37 + 11) & 0xFF for i in range(1000))
    packets = [clean[i:i + PACKET] for i in range(0, len(clean), PACKET)]
    nulls = [i for i, p in enumerate(packets) if p[1:3] == b'\x1f\xff']
    packets[nulls[10]] = packets[nulls[10]][:100]
    packets[nulls[40]] = packets[nulls[40]][:50]
    write('sync-loss.ts', garbage + b''.join(packets) + packets[1][:60])


if __name__ == '__main__':
    main()
