require 'minitest/autorun'
require 'plugin_host'

# The bridge is filled at load and needs the loader's module, which this suite stands in for.
module Korvan; end
require File.join(PluginHost::TOOLS, 'KorvanBridgeProbe')

# The plug-in's Ruby bridge against the real interpreter and hostsim's entities: class tests,
# integer and text conversions, value lists, and entity ids and owners.
class TestPluginBridge < Minitest::Test
  P = KorvanBridgeProbe
  NONE = 0xFFFF_FFFF

  def setup
    Sketchup.file_new
    @model = Sketchup.active_model
  end

  def test_class_of_gives_the_exact_class_of_immediates_and_objects
    assert_equal [Integer, Float, TrueClass, Symbol, NilClass, FalseClass, String, Integer],
                 [1, 1.5, true, :name, nil, false, 'text', 2**70].map { |value| P.class_of(value) }
    face = PluginHost.square(@model.entities)
    assert_same Sketchup::Face, P.class_of(face)
    special = Class.new(Array)
    assert_same special, P.class_of(special.new), 'a subclass is its own class'
  end

  def test_integers_are_immediate_exactly_below_two_to_the_thirty
    assert_equal [2**30 - 1, true], P.from_int(2**30 - 1)
    assert_equal [2**30, false], P.from_int(2**30)
    assert_equal [-2**30, true], P.from_int(-2**30)
    assert_equal [-2**30 - 1, false], P.from_int(-2**30 - 1)
    assert_equal [2**31 - 1, false], P.from_int(2**31 - 1)
    assert_equal [2**40, -7], [P.to_int(2**40), P.to_int(-7)]
    assert_raises(TypeError) { P.to_int('7') }
  end

  def test_value_vectors_are_none_for_nothing_and_copies_otherwise
    assert_nil P.to_value_vector([])
    assert_nil P.to_value_vector(nil)
    nil_list = Object.new.tap { |o| o.define_singleton_method(:to_a) { nil } }
    assert_nil P.to_value_vector(nil_list)
    # A to_a that answers something else is refused, not read as an Array.
    odd_list = Object.new.tap { |o| o.define_singleton_method(:to_a) { 'not a list' } }
    assert_raises(TypeError) { P.to_value_vector(odd_list) }
    list = [1, 'two', :three]
    copy = P.to_value_vector(list)
    assert_equal list, copy
    refute_same list, copy
    assert_equal [1, 2, 3], P.to_value_vector(1..3)

    face = PluginHost.square(@model.entities)
    assert_nil P.to_value_vector(@model.selection), 'an empty selection'
    @model.selection.add(face)
    assert_equal [face], P.to_value_vector(@model.selection)
  end

  def test_text_crosses_as_utf8_and_lives_inside_as_utf16
    text = "Grüße, 東京 𝄞"
    back = P.from_units(P.wide_units(text))
    assert_equal text, back
    assert_equal Encoding::UTF_8, back.encoding
    assert_equal [0xE9, 0x20AC, 0xD834, 0xDD1E], P.wide_units("é€𝄞")
    assert_equal [], P.wide_units(nil)
    assert_equal 'ab', P.from_units([0x61, 0x62, 0, 0x63]), 'text after a NUL is dropped'
    path = Object.new.tap { |o| o.define_singleton_method(:to_str) { 'C:/x' } }
    assert_equal 'C:/x'.unpack('U*'), P.wide_units(path), 'converted as Ruby converts to a String'
    assert_raises(TypeError) { P.wide_units(5) }
  end

  def test_entity_ids_and_the_owners_of_entities
    root_face = PluginHost.square(@model.entities)
    group = @model.entities.add_group
    grouped_face = PluginHost.square(group.entities)
    definition = @model.definitions.add('Door')
    door_face = PluginHost.square(definition.entities)

    assert_equal root_face.entityID, P.entity_id_of(root_face)
    assert_equal NONE, P.entity_id_of(nil)
    assert_raises(TypeError) { P.entity_id_of('face') }

    assert_equal [NONE, group.definition.entityID, definition.entityID, NONE],
                 [root_face, grouped_face, door_face, nil].map { |e| P.owner_definition_id(e) }
    assert_same @model.entities, P.owner_entities(root_face)
    assert_same group.definition.entities, P.owner_entities(grouped_face)
    assert_same definition.entities, P.owner_entities(door_face)
    assert_nil P.owner_entities(nil)
    inner = group.entities.add_group
    assert_same group.definition.entities, P.owner_entities(inner), 'a group inside a group'
    assert_equal group.definition.entityID, P.owner_definition_id(inner)
  end
end
